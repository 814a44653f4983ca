// The device context's own rules, on the fixed-metrics device (10 units a
// character, 40 a line) and, where the toolkit does the drawing, on real pixels.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/GdiDevice.h"
#include "platform/qt/Application.h"
#include "platform/qt/PainterDC.h"
#include "sorrel/Gdi.h"
#include "support/FixedMetricsDC.h"
#include "support/Pixels.h"

namespace {

using namespace sorrel::test;

struct FixedDC {
  std::shared_ptr<Recording> rec = std::make_shared<Recording>();
  CDC dc;
  FixedDC() { dc.Attach(MakeFixedDC(FixedMetrics{}, rec)); }
};

}  // namespace

TEST(MulDiv, RoundsToNearestAndRefusesZero) {
  const std::array<int, 4> cases[] = {{9, 600, 72, 75}, {10, 600, 72, 83}, {1, 1, 2, 1},  {-1, 1, 2, -1},
                                      {3, 1, -2, -2},   {7, 0, 3, 0},      {5, 5, 0, -1},  {0x40000000, 4, 1, -1},
                                      {-9, 600, 72, -75}};  // a * b / c, rounded
  for (auto [a, b, c, want] : cases) EXPECT_EQ(MulDiv(a, b, c), want) << a << "*" << b << "/" << c;
}

TEST(DeviceContext, ObjectsSelectedReturnThePreviousOne) {
  FixedDC f;
  LOGFONT lf{};
  lf.lfHeight = -75;
  std::snprintf(lf.lfFaceName, LF_FACESIZE, "Arial");
  CFont font;
  ASSERT_TRUE(font.CreateFontIndirect(&lf));
  CFont* stock = f.dc.SelectObject(&font);
  ASSERT_NE(stock, nullptr);  // the context's own font
  EXPECT_EQ(f.dc.SelectObject(stock), &font);
  EXPECT_EQ(f.dc.SelectObject(&font), stock);
  EXPECT_EQ(f.rec->Only("font"), (std::vector<std::string>{"font Arial -75", "font default", "font Arial -75"}));

  CPen red(PS_SOLID, 1, RGB(255, 0, 0));
  CPen* oldPen = f.dc.SelectObject(&red);
  EXPECT_EQ(oldPen, CPen::FromHandle(GetStockObject(BLACK_PEN)));
  EXPECT_EQ(f.dc.SelectObject(oldPen), &red);
  CBrush brush(RGB(1, 2, 3));
  EXPECT_EQ(f.dc.SelectObject(&brush), CBrush::FromHandle(GetStockObject(WHITE_BRUSH)));

  // Selected objects cannot be deleted; a stock object never.
  EXPECT_FALSE(DeleteObject(font.m_hObject));
  EXPECT_FALSE(DeleteObject(GetStockObject(BLACK_PEN)));
}

TEST(DeviceContext, ObjectsOutliveNeitherTheirOwnerNorTheirContext) {
  auto rec = std::make_shared<Recording>();
  HDC hdc = MakeFixedDC(FixedMetrics{}, rec);
  HGDIOBJ handle;
  {
    CFont font;
    LOGFONT lf{};
    font.CreateFontIndirect(&lf);
    handle = font.m_hObject;
    SelectObject(hdc, handle);
  }  // the font's owner goes while the font is selected: the context still uses it
  CDC* view = CDC::FromHandle(hdc);  // a view, which does not own the handle
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view, CDC::FromHandle(hdc));
  EXPECT_EQ(view->GetTextExtent("ab"), CSize(20, 40));
  EXPECT_FALSE(rec->deleted);
  {
    CDC owner;
    owner.Attach(hdc);
  }  // the owner deletes the context, and the font goes with it
  EXPECT_TRUE(rec->deleted);
  EXPECT_EQ(CDC::FromHandle(hdc), nullptr);
  EXPECT_EQ(SelectObject(hdc, GetStockObject(BLACK_PEN)), nullptr);  // a dead handle is refused
  EXPECT_FALSE(DeleteObject(handle));
  EXPECT_FALSE(DeleteDC(hdc));
  CDC none;
  EXPECT_EQ(none.GetDeviceCaps(HORZRES), 0);
  EXPECT_FALSE(none.TextOut(0, 0, "x", 1));
}

TEST(DeviceContext, FillsAndLinesLeaveTheirState) {
  FixedDC f;
  EXPECT_EQ(f.dc.SetBkMode(7), 0);  // no such mode
  f.dc.FillSolidRect(1, 2, 3, 4, RGB(255, 0, 0));
  EXPECT_EQ(f.dc.GetBkColor(), RGB(255, 0, 0));  // as the class library leaves it
  EXPECT_EQ(f.dc.MoveTo(5, 6), CPoint(0, 0));
  f.dc.LineTo(5, 60);
  f.dc.SelectStockObject(NULL_PEN);
  f.dc.LineTo(9, 9);  // no line, but the position moves
  EXPECT_EQ(f.dc.MoveTo(0, 0), CPoint(9, 9));
  EXPECT_EQ(f.dc.GetTextExtent("abc"), CSize(30, 40));
  EXPECT_EQ(f.rec->calls, (std::vector<std::string>{"fill 1,2 4,6 #ff0000", "line 5,6 5,60"}));
  EXPECT_EQ(f.dc.GetDeviceCaps(LOGPIXELSY), 600);
}

TEST(DeviceContext, DrawTextPlacesAndMeasures) {
  struct Case {
    const char* text;
    UINT format;
    std::vector<std::string> calls;
    int height;
    RECT calc;  // the rectangle after DT_CALCRECT, when asked
  } cases[] = {
      {"abc", DT_CENTER | DT_VCENTER | DT_SINGLELINE, {"text 45,50 abc"}, 40, {}},
      {"abc", DT_RIGHT | DT_BOTTOM | DT_SINGLELINE, {"text 80,80 abc"}, 40, {}},
      {"&OK", DT_LEFT | DT_SINGLELINE, {"text 10,20 OK"}, 40, {}},
      {"a&&b", DT_NOPREFIX | DT_SINGLELINE, {"text 10,20 a&&b"}, 40, {}},
      {"aa bb cc dd", DT_WORDBREAK, {"text 10,20 aa bb cc", "text 10,60 dd"}, 80, {}},
      {"one\r\ntwo", 0, {"text 10,20 one", "text 10,60 two"}, 80, {}},
      {"aa bb cc dd", DT_WORDBREAK | DT_CALCRECT, {}, 80, {10, 20, 90, 100}},
      {"abcdefghijkl", DT_WORDBREAK | DT_CALCRECT, {}, 40, {10, 20, 130, 60}},
  };
  for (const Case& k : cases) {
    FixedDC f;
    CRect r(10, 20, 110, 120);
    EXPECT_EQ(f.dc.DrawText(k.text, -1, r, k.format), k.height) << k.text;
    EXPECT_EQ(f.rec->calls, k.calls) << k.text;
    if (k.format & DT_CALCRECT) {
      EXPECT_EQ(r, CRect(k.calc)) << k.text;
    }
  }
}

// ---- the toolkit's devices -------------------------------------------------------------

TEST(PainterDC, LinesStopShortOfTheirEndAndFocusFramesInvert) {
  ASSERT_TRUE(sorrel::qt::EnsureGuiApplication());
  QImage image(20, 20, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    sorrel::qt::PainterDC dc(painter);
    EXPECT_EQ(dc->GetDeviceCaps(HORZRES), 20);
    dc->MoveTo(2, 3);
    dc->LineTo(10, 3);   // pixels 2..9
    dc->MoveTo(15, 2);
    dc->LineTo(15, 12);  // pixels 2..11
    dc->FillSolidRect(0, 15, 4, 2, RGB(255, 0, 0));
    CRect focus(10, 14, 16, 18);
    dc->DrawFocusRect(focus);
  }
  // The focus frame inverts every other pixel of its edge and nothing inside.
  const struct {
    int x, y;
    QRgb rgb;
  } pixels[] = {{1, 3, 0xFFFFFF}, {2, 3, 0},        {9, 3, 0},         {10, 3, 0xFFFFFF}, {15, 11, 0},
                {15, 12, 0xFFFFFF}, {3, 16, 0xFF0000}, {4, 16, 0xFFFFFF}, {10, 14, 0},       {11, 14, 0xFFFFFF},
                {12, 15, 0xFFFFFF}};
  for (const auto& p : pixels) EXPECT_EQ(Rgb(image, p.x, p.y), p.rgb) << p.x << "," << p.y;
}

TEST(PrinterDC, PdfDriverWritesPagesAndUnknownNamesFail) {
  ASSERT_TRUE(sorrel::qt::EnsureGuiApplication());
  const std::string path = (std::filesystem::temp_directory_path() / "sorrel-gdi-test.pdf").string();
  std::filesystem::remove(path);
  {
    CDC dc;
    ASSERT_TRUE(dc.CreateDC("PDF", "", path.c_str(), nullptr));
    EXPECT_GE(dc.GetDeviceCaps(LOGPIXELSX), 600);
    EXPECT_GT(dc.GetDeviceCaps(VERTRES), dc.GetDeviceCaps(HORZRES));  // A4 upright
    EXPECT_GT(dc.StartDoc("gdi test"), 0);
    for (int page = 0; page < 2; ++page) {
      dc.StartPage();
      dc.TextOut(100, 100, "Dobrý den");
      dc.EndPage();
    }
    EXPECT_GT(dc.EndDoc(), 0);
  }
  EXPECT_GT(QFileInfo(QString::fromStdString(path)).size(), 500);
  std::filesystem::remove(path);

  CDC dc;
  EXPECT_FALSE(dc.CreateDC("CUPS", "no-such-queue-here", "", nullptr));
  EXPECT_FALSE(dc.CreateDC("PDF", "", "/no/such/folder/x.pdf", nullptr));
  EXPECT_FALSE(dc.CreateDC("WINSPOOL", "x", "y", nullptr));
  EXPECT_FALSE(dc.CreateDC(nullptr, "x", "y", nullptr));
}
