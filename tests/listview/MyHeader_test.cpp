// The draggable header in a real list view (offscreen), driven by mouse events on
// the header's viewport as a person's hand gives them: press, moves, release. The
// host below does what a host application does: it ends the drag from the
// header's end-of-drag notification and moves the column through the column model.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeView>

#include <optional>
#include <vector>

#include "platform/qt/Application.h"
#include "sorrel/ColumnInfos.h"
#include "sorrel/MyHeader.h"
#include "support/Pixels.h"
#include "support/TestHost.h"

namespace {

constexpr UINT kNone = 0xFFFFFFFF;
constexpr int kY = 5;  // inside the header row

// The header with its state readable.
class RecordingHeader : public CMyHeader {
 public:
  using CMyHeader::m_bDragging;
  using CMyHeader::m_bTrack;
  using CMyHeader::m_nItems;
  using CMyHeader::m_pWidths;
};

class HostWindow : public CWnd {
 public:
  CColumnInfos columns;
  CMarlowList list{&columns};
  RecordingHeader header;
  bool trackFromNotifications = true;
  bool endDragInNotification = true;
  bool applyMoves = true;
  int endDrags = 0;
  std::optional<BOOL> draggingWhenNotified;
  std::vector<int> columnClicks;
  std::vector<int> endTrackWidths;

  HostWindow() {
    Create(nullptr, "host", WS_OVERLAPPEDWINDOW, CRect(0, 0, 640, 240), nullptr, 0);
    list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 640, 240), this, 100);
    columns.InsertColumns2Ctrl(list);
    header.SubclassWindow(list.GetHeaderCtrl()->GetSafeHwnd());
    ShowWindow(SW_SHOW);
  }

  QHeaderView* View() const { return reinterpret_cast<QHeaderView*>(header.m_hWnd); }

  std::vector<int> Order() {
    std::vector<int> order(size_t(list.GetColumnCount()));
    list.GetColumnOrderArray(order.data(), int(order.size()));
    return order;
  }

 protected:
  afx_msg void OnEndDrag(NMHDR*, LRESULT* pResult) {
    ++endDrags;
    draggingWhenNotified = header.m_bDragging;
    if (endDragInNotification) {
      header.OnEndDrag();
      UINT to = 0, from = 0;
      header.GetMovedIndexes(&to, &from);
      std::vector<int> order = Order();
      if (applyMoves && to != kNone) columns.MoveColumns(UINT(order[to]), UINT(order[from]), list);
    }
    *pResult = TRUE;
  }
  afx_msg void OnBeginTrack(NMHDR*, LRESULT*) {
    if (trackFromNotifications) header.SetTrack(TRUE);
  }
  afx_msg void OnEndTrack(NMHDR* hdr, LRESULT*) {
    auto* nm = reinterpret_cast<NMHEADER*>(hdr);
    endTrackWidths.push_back(nm->pitem->cxy);
    columns.SetColumnWidth(UINT(nm->iItem), UINT(nm->pitem->cxy));
    if (trackFromNotifications) header.SetTrack(FALSE);
  }
  afx_msg void OnColumnClick(NMHDR* hdr, LRESULT*) {
    columnClicks.push_back(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(HostWindow, CWnd)
ON_NOTIFY(HDN_ENDDRAG, 0, OnEndDrag)
ON_NOTIFY(HDN_BEGINTRACK, 0, OnBeginTrack)
ON_NOTIFY(HDN_ENDTRACK, 0, OnEndTrack)
ON_NOTIFY(LVN_COLUMNCLICK, 100, OnColumnClick)
END_MESSAGE_MAP()

void Send(QWidget* to, QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons held) {
  const QPointF pos(x, kY);
  QMouseEvent event(type, pos, to->mapToGlobal(pos), button, held, Qt::NoModifier);
  QApplication::sendEvent(to, &event);
}

// Press at x, move through each of moves with the button held, release at the last.
void Drag(QHeaderView* header, int x, std::vector<int> moves) {
  QWidget* vp = header->viewport();
  Send(vp, QEvent::MouseButtonPress, x, Qt::LeftButton, Qt::LeftButton);
  for (int m : moves) Send(vp, QEvent::MouseMove, m, Qt::NoButton, Qt::LeftButton);
  Send(vp, QEvent::MouseButtonRelease, moves.empty() ? x : moves.back(), Qt::LeftButton, Qt::NoButton);
}

class MyHeaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(sorrel::qt::EnsureApplication(), nullptr); }
  sorrel::test::TestHost profile;  // the column model's registry, empty
};

}  // namespace

// Widths 50, 60, 150, 150 (the base columns' defaults): midpoints 25, 80, 185, 335.
TEST_F(MyHeaderTest, DropPositionsFollowTheMidpointRule) {
  struct Case {
    int down;
    std::vector<int> moves;
    UINT to, from;
    std::vector<int> order;  // the column order after the host moved the column
  } cases[] = {
      {30, {120, 200}, 2, 0, {1, 2, 0, 3}},     // right across two captions
      {30, {400}, 3, 0, {1, 2, 3, 0}},          // past the last midpoint
      {30, {40}, kNone, 0, {0, 1, 2, 3}},       // back on its own caption
      {300, {60}, 1, 3, {0, 3, 1, 2}},          // left
      {100, {10}, 0, 1, {1, 0, 2, 3}},          // left of the first midpoint
      {300, {10}, 0, 3, {3, 0, 1, 2}},
      {30, {10}, kNone, 0, {0, 1, 2, 3}},       // the first caption stays
      {30, {81}, 1, 0, {1, 0, 2, 3}},           // one place right, just past the midpoint
      {30, {79}, 0, 0, {0, 1, 2, 3}},           // just short of it: its own place
      {0, {200}, kNone, kNone, {0, 1, 2, 3}},   // pressed at x = 0: on no caption
      {100, {500}, 3, 1, {0, 2, 3, 1}},         // beyond the last caption: the last place
      {50, {200}, 0, 0, {0, 1, 2, 3}},          // a divider drag resizes instead (below)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.down << " -> " << c.moves.back());
    sorrel::test::TestHost profile2;
    HostWindow host;
    if (c.down == 50) {
      // Pressing on the divider of the first column tracks: no drag, a new width.
      Drag(host.View(), c.down, c.moves);
      EXPECT_EQ(host.endDrags, 0);
      EXPECT_EQ(host.endTrackWidths, std::vector<int>{200});
      EXPECT_EQ(host.list.GetColumnWidth(0), 200);
      EXPECT_EQ(host.View()->sectionSize(0), 200);
      EXPECT_FALSE(host.header.m_bTrack);
      continue;
    }
    Drag(host.View(), c.down, c.moves);
    ASSERT_EQ(host.endDrags, 1);
    EXPECT_EQ(host.draggingWhenNotified, TRUE);  // the release is still being processed
    EXPECT_FALSE(host.header.m_bDragging);
    EXPECT_EQ(host.header.m_pWidths, nullptr);
    UINT to = 0, from = 0;
    host.header.GetMovedIndexes(&to, &from);
    EXPECT_EQ(to, c.to);
    EXPECT_EQ(from, c.from);
    EXPECT_EQ(host.Order(), c.order);
    for (int pos = 0; pos < 4; ++pos) EXPECT_EQ(host.View()->logicalIndex(pos), c.order[size_t(pos)]);
  }
}

TEST_F(MyHeaderTest, AfterReorderingTheWidthsAreTakenInDisplayOrder) {
  HostWindow host;
  // Shown: name (150), position (50), location (60), number (150); midpoints 75, 175, 230, 335.
  host.columns.MoveColumns(0, 2, host.list);
  ASSERT_EQ(host.Order(), (std::vector<int>{2, 0, 1, 3}));
  struct Case {
    int down, up;
    UINT to, from;
    std::vector<int> order;
  } cases[] = {
      {160, 400, 3, 1, {2, 1, 3, 0}},  // the position column (shown second) to the end
      {20, 170, 0, 0, {2, 1, 3, 0}},   // the name column just short of the second midpoint
      {20, 240, 1, 0, {1, 2, 3, 0}},  // midpoints now 75, 180, 285, 385
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.down << " -> " << c.up);
    Drag(host.View(), c.down, {c.up});
    UINT to = 0, from = 0;
    host.header.GetMovedIndexes(&to, &from);
    EXPECT_EQ(to, c.to);
    EXPECT_EQ(from, c.from);
    EXPECT_EQ(host.Order(), c.order);
  }
  sorrel::test::SavePng(reinterpret_cast<QWidget*>(host.m_hWnd)->grab().toImage(), "header-reordered.png");
}

TEST_F(MyHeaderTest, NoDragIsRegisteredWithoutAMoveOrWhileTracking) {
  HostWindow host;
  Drag(host.View(), 30, {200});  // a drag that the later steps must not disturb
  ASSERT_EQ(host.Order(), (std::vector<int>{1, 2, 0, 3}));
  auto moved = [&] {
    UINT to = 0, from = 0;
    host.header.GetMovedIndexes(&to, &from);
    return std::pair(to, from);
  };
  const auto previous = moved();

  // A press and release without a move is a column click: no drag, no snapshot.
  Drag(host.View(), 130, {});
  EXPECT_EQ(host.columnClicks, std::vector<int>{2});  // the column shown at 110..260
  EXPECT_EQ(host.endDrags, 1);
  host.header.OnEndDrag();
  EXPECT_EQ(moved(), previous);

  // With the track flag set, a caption drag registers nothing and OnEndDrag ends nothing.
  host.header.SetTrack(TRUE);
  host.trackFromNotifications = false;
  host.applyMoves = false;  // the previous drag's positions would move a column again
  Drag(host.View(), 30, {300});
  EXPECT_EQ(host.endDrags, 2);
  EXPECT_EQ(host.draggingWhenNotified, FALSE);
  EXPECT_EQ(moved(), previous);
  EXPECT_EQ(host.Order(), (std::vector<int>{1, 2, 0, 3}));
  host.header.SetTrack(FALSE);

  // A drag whose end the host does not take in the notification is over once the
  // release has been processed: a later OnEndDrag changes nothing, and the
  // snapshot stays until the next drag starts.
  host.endDragInNotification = false;
  Drag(host.View(), 30, {400});
  EXPECT_FALSE(host.header.m_bDragging);
  EXPECT_EQ(host.header.m_nItems, 4u);
  host.header.OnEndDrag();
  EXPECT_EQ(moved(), previous);
}
