#pragma once
// Where the minimised window draws its icon: centred in the client area, in
// signed arithmetic with division truncating toward zero, so a client area
// smaller than the icon gives a negative origin.
struct IconOrigin {
  int x;
  int y;
};

constexpr IconOrigin CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth,
                                        int iconHeight) {
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
