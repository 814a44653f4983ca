// The colour button painted by the toolkit (offscreen) in each state, grabbed and
// checked pixel by pixel: the frame rings line by line, the face, the caption's
// place, the embossed disabled caption and the focus rectangle.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <optional>
#include <vector>

#include "platform/qt/Application.h"
#include "sorrel/TovikButton.h"
#include "support/Pixels.h"

namespace {

using sorrel::test::Rgb;

// 0xRRGGBB of a COLORREF (0x00BBGGRR).
unsigned ToRgb(COLORREF c) { return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c); }

// A palette in which every role the button uses has a colour of its own.
constexpr unsigned kButtonText = 0x101060, kButton = 0xC0C0C0, kMidlight = 0xE0E0A0, kLight = 0xFFFFF0,
                   kDark = 0x808040, kShadow = 0x303010;

void UseDistinctPalette() {
  QPalette p = QApplication::palette();
  const std::pair<QPalette::ColorRole, unsigned> roles[] = {
      {QPalette::ButtonText, kButtonText}, {QPalette::Button, kButton}, {QPalette::Midlight, kMidlight},
      {QPalette::Light, kLight},           {QPalette::Dark, kDark},     {QPalette::Shadow, kShadow}};
  for (auto [role, rgb] : roles) p.setColor(QPalette::All, role, QColor::fromRgb(rgb));
  QApplication::setPalette(p);
  // Captions without antialiasing, so that each caption pixel has its pen's colour.
  QFont f = QApplication::font();
  f.setStyleStrategy(QFont::NoAntialias);
  QApplication::setFont(f);
}

constexpr int kW = 96, kH = 32;

struct Ring { unsigned topLeft, bottomRight; };

// Every pixel of each ring: the top and left sides in one colour, the bottom and
// right sides in the other (drawn last, so they own the two corners they share).
void ExpectRings(const QImage& img, const std::vector<Ring>& rings) {
  for (int i = 0; i < int(rings.size()); ++i) {
    const int l = i, t = i, r = kW - i, b = kH - i;
    const Ring& ring = rings[size_t(i)];
    // Each pixel of the frame: top or left side, else bottom or right.
    for (int x = l; x < r; ++x)
      for (int y = t; y < b; ++y) {
        if (x != l && x != r - 1 && y != t && y != b - 1) continue;
        const bool topLeft = (y == t || x == l) && x != r - 1 && y != b - 1;
        EXPECT_EQ(Rgb(img, x, y), topLeft ? ring.topLeft : ring.bottomRight) << "ring " << i << " at " << x << "," << y;
      }
  }
}

// The bounding box of the pixels of one colour inside the rings.
std::optional<QRect> Box(const QImage& img, unsigned rgb, int inset) {
  QRect box;
  for (int y = inset; y < kH - inset; ++y)
    for (int x = inset; x < kW - inset; ++x)
      if (Rgb(img, x, y) == rgb) box |= QRect(x, y, 1, 1);
  return box.isNull() ? std::nullopt : std::optional(box);
}

// How many pixels of the row's span differ from the face.
int Changed(const QImage& img, int y, int x0, int x1, unsigned face) {
  int n = 0;
  for (int x = x0; x <= x1; ++x) n += Rgb(img, x, y) != face;
  return n;
}

// The button in `state` on the frame, grabbed (and saved as `png`).
QImage Paint(CWnd& frame, CTovikButton& button, const std::string& state, const std::string& png) {
  EXPECT_TRUE(button.Create("Barva", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, CRect(8, 8, 8 + kW, 8 + kH),
                            &frame, 1000));
  auto* w = reinterpret_cast<QPushButton*>(button.m_hWnd);
  if (state == "disabled") button.EnableWindow(FALSE);
  w->setDefault(state == "default");
  w->setDown(state == "pressed");
  frame.ShowWindow(SW_SHOW);
  if (state == "focus") {
    w->window()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w->window()));
    button.SetFocus();
    EXPECT_TRUE(w->hasFocus());
  }
  QImage img = w->grab().toImage();
  sorrel::test::SavePng(img, png.c_str());
  return img;
}

}  // namespace

// Each state from the system's face or a chosen one, then one set by SetBkColor,
// which the normal and the disabled face both take.
TEST(TovikButton, EachStateHasItsFaceFrameCaptionAndFocus) {
  ASSERT_NE(sorrel::qt::EnsureApplication(), nullptr);
  UseDistinctPalette();
  CWnd frame;
  ASSERT_TRUE(frame.Create(nullptr, "buttons", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 80), nullptr, 0));
  constexpr COLORREF kChosen = RGB(0x40, 0xA0, 0xE0), kNew = RGB(0x20, 0x80, 0x20);
  const std::vector<Ring> raised{{kLight, kShadow}, {kMidlight, kDark}};
  const std::vector<Ring> outlined{{0, 0}, raised[0], raised[1]};
  struct Case {
    const char* state;
    std::optional<COLORREF> face, bk;  // the constructor's face (none: the system's), SetBkColor's
    std::vector<Ring> rings;
  } cases[] = {
      {"normal", {}, {}, raised},
      {"normal", kChosen, {}, raised},
      {"focus", kChosen, {}, outlined},
      {"default", kChosen, {}, outlined},
      {"pressed", kChosen, {}, {{kShadow, kShadow}, {kDark, kDark}}},
      {"disabled", kChosen, kNew, raised},
      {"normal", kChosen, kNew, raised},
  };
  std::optional<QRect> normalCaption;
  int n = 0;
  for (const Case& c : cases) {
    const std::string state = c.state;
    SCOPED_TRACE(state + " " + std::to_string(n));
    std::optional<CTovikButton> made;
    CTovikButton& button = c.face ? made.emplace(*c.face) : made.emplace();
    if (c.bk) button.SetBkColor(*c.bk);
    const QImage img = Paint(frame, button, state, ("button-" + std::to_string(n++) + "-" + state + ".png"));
    ExpectRings(img, c.rings);
    const int inset = int(c.rings.size());
    const unsigned face = ToRgb(c.bk ? *c.bk : c.face ? *c.face : GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(Rgb(img, inset, inset), face);
    EXPECT_EQ(Rgb(img, kW - 1 - inset, kH - 1 - inset), face);
    // The focus rectangle: every other pixel of R shrunk by 4 changed, nothing between.
    const int changed = Changed(img, 4, 4, kW - 5, face);
    if (state == "focus") {
      EXPECT_NEAR(changed, (kW - 8) / 2, 1);
      EXPECT_NEAR(Changed(img, kH - 5, 4, kW - 5, face), (kW - 8) / 2, 1);
      EXPECT_EQ(Changed(img, 3, 3, kW - 4, face), 0);
    } else {
      EXPECT_EQ(changed, 0);
    }
    const std::optional<QRect> caption = Box(img, kButtonText, inset + 1);
    if (state == "disabled") {
      // Embossed: the grey caption lies one pixel up and left of the white one,
      // which shows below and right of it.
      const std::optional<QRect> white = Box(img, 0xFFFFFF, 3), grey = Box(img, 0x808080, 3);
      ASSERT_TRUE(white && grey);
      EXPECT_EQ(white->right(), grey->right() + 1);
      EXPECT_EQ(white->bottom(), grey->bottom() + 1);
      EXPECT_FALSE(caption);
      continue;
    }
    ASSERT_TRUE(caption);
    if (!normalCaption) normalCaption = caption;
    // Pressed, the caption moves one pixel down and right.
    EXPECT_EQ(caption->topLeft(), normalCaption->topLeft() + (state == "pressed" ? QPoint(1, 1) : QPoint(0, 0)));
  }
}
