#pragma once
// Resource and control ids, shared by quorlin.rc and the code.

#define IDD_ABOUTBOX 100
#define IDD_QUORLIN_DIALOG 102
#define IDD_CONTROL_PANE 129
#define IDD_LOG_PANE 130

#define IDR_MAINFRAME 128  // the application icon
#define IDS_ABOUTBOX 101   // system-menu entry that opens the About box
#define IDM_ABOUTBOX 0x0010

#define IDC_DRIVE_LIST 1000
#define IDC_LOG_LIST 1001
#define IDC_REPORT_EDIT 1003
#define IDC_REMOVE_BUTTON 1004
#define IDC_VERSION_TEXT 1005
#define IDC_HOME_LINK 1006

#define IDT_DRIVE_REFRESH 101

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
