#include "lock/key_state_line_win32.h"

#include "lock/key_state_line.h"
#include "lock/layout.h"
#include "shared/forms_win32.h"

namespace corvel {
namespace {

bool IsToggled(int key) { return (GetKeyState(key) & 1) != 0; }

}  // namespace

void Win32KeyStateLine::Update() {
  const std::wstring_view text = KeyStateLine(IsToggled(VK_CAPITAL), IsToggled(VK_KANA));
  const RECT place = Place();
  if (text != text_ || !EqualRect(&place, &place_)) {
    if (!text_.empty()) InvalidateRect(window_, &place_, TRUE);
    if (!text.empty()) InvalidateRect(window_, &place, TRUE);
  }
  text_ = text;
  place_ = place;
}

void Win32KeyStateLine::Paint(HDC dc) const {
  if (text_.empty()) return;
  HGDIOBJ old_font = SelectObject(dc, pw::DefaultFont());
  SetTextColor(dc, foreground_);
  SetBkMode(dc, TRANSPARENT);
  RECT place = place_;
  DrawTextW(dc, text_.data(), static_cast<int>(text_.size()), &place,
            DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
  SelectObject(dc, old_font);
}

// The panel is placed at run time (at the screen's centre, again on a display change), so the
// line is placed from where the panel is now.
RECT Win32KeyStateLine::Place() const {
  RECT panel = {};
  GetWindowRect(panel_, &panel);
  POINT corner = {panel.left, panel.top};
  ScreenToClient(window_, &corner);
  const pw::TwipsRect& line = layout::kKeyState;
  const int left = corner.x + pw::ToPixelsX(screen_, line.left);
  const int top = corner.y + pw::ToPixelsY(screen_, line.top);
  return {left, top, left + pw::ToPixelsX(screen_, line.width),
          top + pw::ToPixelsY(screen_, line.height)};
}

}  // namespace corvel
