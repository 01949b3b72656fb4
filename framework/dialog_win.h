#pragma once
// CDialog: a dialog built from a resource template, modal (DoModal) or as a
// modeless child pane (Create). One static dialog procedure stores `this` on
// WM_INITDIALOG and calls the virtual WindowProc, which switches to the
// handlers below. A handler that leaves a message unhandled lets the
// platform's default dialog processing answer it.
#include "framework/wnd_win.h"

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr)
      : m_templateId(templateId), m_parent(parent) {}
  ~CDialog() override;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  INT_PTR DoModal();
  // Creates the dialog of the constructor's template as a modeless child of
  // `parent` (a top-level window when null).
  bool Create(CWnd* parent);

 protected:
  // Returns true when the message was handled, with its reply in `result`.
  virtual bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  virtual BOOL OnInitDialog();
  virtual void DoDataExchange() {}
  // The default colour brush is the platform's: nullptr means "not handled".
  virtual HBRUSH OnCtlColor(HDC, HWND, UINT) { return nullptr; }
  virtual void OnTimer(UINT_PTR) {}
  virtual bool OnNotify(const NMHDR&, LRESULT&) { return false; }
  virtual bool OnCommand(WORD, WORD) { return false; }
  virtual bool OnSysCommand(UINT, LPARAM) { return false; }
  virtual bool OnPaint() { return false; }
  virtual HICON OnQueryDragIcon() { return nullptr; }
  virtual void OnDestroy() {}
  virtual void OnOK();
  virtual void OnCancel();

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  UINT m_templateId;
  CWnd* m_parent;
  bool m_modal = false;
};
