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
#include "support/Cases.h"
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

  std::vector<int> Order() { return sorrel::test::ColumnOrder(list); }
  std::pair<UINT, UINT> Moved() {
    UINT to = 0, from = 0;
    header.GetMovedIndexes(&to, &from);
    return {to, from};
  }

 protected:
  afx_msg void OnEndDrag(NMHDR*, LRESULT* pResult) {
    ++endDrags;
    draggingWhenNotified = header.m_bDragging;
    if (endDragInNotification) {
      header.OnEndDrag();
      auto [to, from] = Moved();
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

TEST_F(MyHeaderTest, DropPositionsFollowTheMidpointRule) {
  const auto cases = sorrel::test::ReadCases("listview/data/header-drag.tsv");
  ASSERT_EQ(cases.size(), 15u);
  for (const auto& c : cases) {
    ASSERT_GE(c.size(), 7u) << "a short line";
    SCOPED_TRACE(c[0] + " -> " + c[1] + (c[5].empty() ? "" : ", name column first"));
    sorrel::test::TestHost profile2;
    HostWindow host;
    if (!c[5].empty()) host.columns.MoveColumns(0, 2, host.list);
    Drag(host.View(), std::stoi(c[0]), sorrel::test::CaseNumbers<int>(c[1]));
    ASSERT_EQ(host.endDrags, 1);
    EXPECT_EQ(host.draggingWhenNotified, TRUE);  // the release is still being processed
    EXPECT_FALSE(host.header.m_bDragging);
    EXPECT_EQ(host.header.m_pWidths, nullptr);
    auto position = [](const std::string& p) { return p == "-" ? kNone : UINT(std::stoul(p)); };
    EXPECT_EQ(host.Moved(), std::pair(position(c[2]), position(c[3])));
    const std::vector<int> order = sorrel::test::CaseNumbers<int>(c[4]);
    EXPECT_EQ(host.Order(), order);
    for (int pos = 0; pos < 4; ++pos) EXPECT_EQ(host.View()->logicalIndex(pos), order[size_t(pos)]);
    if (!c[5].empty())
      sorrel::test::SavePng(reinterpret_cast<QWidget*>(host.m_hWnd)->grab().toImage(), "header-reordered.png");
  }
}

// Pressing on the divider of the first column tracks: no drag, a new width.
TEST_F(MyHeaderTest, DividerDragResizes) {
  HostWindow host;
  Drag(host.View(), 50, {200});
  EXPECT_EQ(host.endDrags, 0);
  EXPECT_EQ(host.endTrackWidths, std::vector<int>{200});
  EXPECT_EQ(host.list.GetColumnWidth(0), 200);
  EXPECT_EQ(host.View()->sectionSize(0), 200);
  EXPECT_FALSE(host.header.m_bTrack);
}

TEST_F(MyHeaderTest, NoDragIsRegisteredWithoutAMoveOrWhileTracking) {
  HostWindow host;
  Drag(host.View(), 30, {200});  // a drag that the later steps must not disturb
  ASSERT_EQ(host.Order(), (std::vector<int>{1, 2, 0, 3}));
  const auto previous = host.Moved();

  // A press and release without a move is a column click: no drag, no snapshot.
  Drag(host.View(), 130, {});
  EXPECT_EQ(host.columnClicks, std::vector<int>{2});  // the column shown at 110..260
  EXPECT_EQ(host.endDrags, 1);
  host.header.OnEndDrag();
  EXPECT_EQ(host.Moved(), previous);

  // With the track flag set, a caption drag registers nothing and OnEndDrag ends nothing.
  host.header.SetTrack(TRUE);
  host.trackFromNotifications = false;
  host.applyMoves = false;  // the previous drag's positions would move a column again
  Drag(host.View(), 30, {300});
  EXPECT_EQ(host.endDrags, 2);
  EXPECT_EQ(host.draggingWhenNotified, FALSE);
  EXPECT_EQ(host.Moved(), previous);
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
  EXPECT_EQ(host.Moved(), previous);
}
