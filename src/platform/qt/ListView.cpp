// The report view of a list control: a QTreeView over a table model that reads the
// control, and the header whose mouse input goes through the header's window
// object. The control holds every column, order, width, item and state; the view
// follows its changes and hands what the user does back to its members.
#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTreeView>

#include <vector>

#include "platform/CodePageInternal.h"
#include "platform/qt/Windows.h"
#include "sorrel/ListCtrl.h"

namespace sorrel::qt {

namespace {

// A press this close to a divider (either side) resizes the column on its left.
constexpr int kDividerZone = 3;

QString FromAnsi(const CString& text) { return QString::fromStdString(AnsiToUtf8(std::string_view(text))); }

Qt::Alignment Alignment(int format) {
  switch (format & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_CENTER:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case LVCFMT_RIGHT:
      return Qt::AlignRight | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

class ListModel : public QAbstractTableModel {
 public:
  explicit ListModel(CListCtrl* list, QObject* parent) : QAbstractTableModel(parent), m_list(list) {}

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : m_list->GetItemCount(); }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : m_list->GetColumnCount();
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return FromAnsi(m_list->GetItemText(index.row(), index.column()));
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Alignment(Format(index.column())));
    return {};
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return FromAnsi(m_list->GetColumnCaption(section));
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Alignment(Format(section)));
    return {};
  }

  void Reset() {
    beginResetModel();
    endResetModel();
  }
  void RowsChanged(int first, int last) {
    const int count = m_list->GetItemCount();
    if (count == 0 || columnCount({}) == 0) return;
    first = std::clamp(first, 0, count - 1);
    last = last < 0 ? count - 1 : std::clamp(last, first, count - 1);
    emit dataChanged(index(first, 0), index(last, columnCount({}) - 1));
  }

 private:
  int Format(int column) const {
    LVCOLUMNA c{};
    c.mask = LVCF_FMT;
    return m_list->GetColumn(column, &c) ? c.fmt : LVCFMT_LEFT;
  }
  CListCtrl* m_list;
};

// The header: input goes to the header's window object (CHeaderCtrl or the host's
// class over it) as messages with x in content coordinates (the scroll offset
// added); what the object does not take runs here as the control's own handling.
class HeaderView : public QHeaderView, public MessageWidget {
 public:
  HeaderView(CListCtrl* list, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), m_list(list) {
    setSectionsMovable(false);
    setSectionsClickable(false);
    setStretchLastSection(false);
    setMinimumSectionSize(0);
    setSectionResizeMode(QHeaderView::Fixed);
    setHighlightSections(false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
  }

  LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) override {
    const int x = GET_X_LPARAM(lParam);
    switch (message) {
      case WM_LBUTTONDOWN:
        if (!(wParam & MK_LBUTTON)) return 0;
        if (int divider = DividerAt(x); divider >= 0) {
          m_mode = Mode::Track;
          m_section = divider;
          m_trackStartX = x;
          m_trackStartWidth = m_list->GetColumnWidth(divider);
          Notify(HDN_BEGINTRACK, divider, m_trackStartWidth);
        } else if (int logical = logicalIndexAt(x - offset()); logical >= 0) {
          m_mode = Mode::Press;
          m_section = logical;
        }
        return 0;
      case WM_MOUSEMOVE:
        if (m_mode == Mode::Track && (wParam & MK_LBUTTON)) {
          m_list->SetColumnWidth(m_section, std::max(0, m_trackStartWidth + x - m_trackStartX));
        } else if ((m_mode == Mode::Press || m_mode == Mode::Drag) && (wParam & MK_LBUTTON)) {
          m_mode = Mode::Drag;
          m_dragX = x;
          viewport()->update();
        } else if (!(wParam & MK_LBUTTON)) {
          viewport()->setCursor(DividerAt(x) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
        }
        return 0;
      case WM_LBUTTONUP: {
        const Mode mode = m_mode;
        m_mode = Mode::None;
        viewport()->update();
        if (mode == Mode::Track)
          Notify(HDN_ENDTRACK, m_section, m_list->GetColumnWidth(m_section));
        else if (mode == Mode::Drag)
          Notify(HDN_ENDDRAG, m_section, m_list->GetColumnWidth(m_section));
        else if (mode == Mode::Press)
          Notify(HDN_ITEMCLICK, m_section, m_list->GetColumnWidth(m_section));
        return 0;
      }
      default:
        return 0;
    }
  }

 protected:
  void mousePressEvent(QMouseEvent* e) override { DeliverMouse(this, this, WM_LBUTTONDOWN, e, offset()); }
  void mouseMoveEvent(QMouseEvent* e) override { DeliverMouse(this, this, WM_MOUSEMOVE, e, offset()); }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) DeliverMouse(this, this, WM_LBUTTONUP, e, offset());
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override { mousePressEvent(e); }

  // While a caption is dragged, its caption follows the mouse.
  void paintEvent(QPaintEvent* e) override {
    QHeaderView::paintEvent(e);
    if (m_mode != Mode::Drag) return;
    QPainter p(viewport());
    const int width = sectionSize(m_section);
    const QRect box(m_dragX - offset() - width / 2, 0, width, viewport()->height() - 1);
    p.fillRect(box, QColor(0, 0, 0, 60));
    p.setPen(palette().color(QPalette::Text));
    p.drawRect(box);
    p.drawText(box, Qt::AlignCenter, model() ? model()->headerData(m_section, Qt::Horizontal).toString() : QString());
  }

 private:
  enum class Mode { None, Press, Drag, Track };

  // The column whose right divider is within the zone of x (content coordinates);
  // the rightmost such column, so that a column shrunk to nothing can be widened.
  int DividerAt(int x) const {
    int found = -1;
    int right = 0;
    for (int pos = 0; pos < count(); ++pos) {
      const int logical = logicalIndex(pos);
      right += sectionSize(logical);
      if (x >= right - kDividerZone && x <= right + kDividerZone) found = logical;
    }
    return found;
  }

  void Notify(UINT code, int item, int width) {
    HDITEMA hdi{};
    hdi.mask = HDI_WIDTH;
    hdi.cxy = width;
    NMHEADERA nm{};
    nm.hdr = NMHDR{ToHwnd(this), 0, code};
    nm.iItem = item;
    nm.iButton = 0;
    nm.pitem = &hdi;
    NotifyParent(this, &nm.hdr);
  }

  CListCtrl* m_list;
  Mode m_mode = Mode::None;
  int m_section = -1;
  int m_dragX = 0;
  int m_trackStartX = 0;
  int m_trackStartWidth = 0;
};

class ListView : public QTreeView {
 public:
  ListView(CListCtrl* list, QWidget* parent) : QTreeView(parent), m_list(list) {
    m_model = new ListModel(list, this);
    m_header = new HeaderView(list, this);
    setHeader(m_header);
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setIndentation(0);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QTreeView::clicked, this, [this](const QModelIndex& index) { NotifyClick(index); });
    ColumnsChanged();
  }

  QHeaderView* Header() const { return m_header; }

  void Changed(win::ListChange what, int first, int last) {
    switch (what) {
      case win::ListChange::Columns:
        ColumnsChanged();
        break;
      case win::ListChange::Order:
        OrderChanged();
        break;
      case win::ListChange::Width:
        if (first >= 0 && first < m_header->count()) m_header->resizeSection(first, m_list->GetColumnWidth(first));
        break;
      case win::ListChange::Items:
        m_model->Reset();
        SelectionChanged();
        break;
      case win::ListChange::ItemText:
      case win::ListChange::Redraw:
        m_model->RowsChanged(first, last);
        viewport()->update();
        break;
      case win::ListChange::Selection:
        SelectionChanged();
        break;
    }
  }

 protected:
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override {
    QTreeView::selectionChanged(selected, deselected);
    if (m_syncing) return;
    // The user's selection goes into the control's item states.
    std::vector<int> rows;
    for (const QModelIndex& i : selected.indexes())
      if (i.column() == 0) rows.push_back(i.row());
    for (const QModelIndex& i : deselected.indexes())
      if (i.column() == 0) rows.push_back(i.row());
    m_syncing = true;
    for (int row : rows) {
      const UINT old = m_list->GetItemState(row, LVIS_SELECTED | LVIS_FOCUSED);
      const UINT now = selectionModel()->isRowSelected(row, {}) ? LVIS_SELECTED : 0;
      m_list->SetItemState(row, now, LVIS_SELECTED);
      if ((old & LVIS_SELECTED) != now) NotifyItemChanged(row, old, (old & ~LVIS_SELECTED) | now);
    }
    m_syncing = false;
  }

  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
    QTreeView::currentChanged(current, previous);
    if (m_syncing) return;
    m_syncing = true;
    if (previous.isValid()) m_list->SetItemState(previous.row(), 0, LVIS_FOCUSED);
    if (current.isValid()) m_list->SetItemState(current.row(), LVIS_FOCUSED, LVIS_FOCUSED);
    m_syncing = false;
  }

 private:
  void ColumnsChanged() {
    m_syncing = true;
    m_model->Reset();
    for (int c = 0; c < m_list->GetColumnCount(); ++c) m_header->resizeSection(c, m_list->GetColumnWidth(c));
    m_syncing = false;
    OrderChanged();
    SelectionChanged();
  }

  void OrderChanged() {
    const int n = m_list->GetColumnCount();
    if (n != m_header->count()) return;
    std::vector<int> order(static_cast<size_t>(n));
    if (n == 0 || !m_list->GetColumnOrderArray(order.data(), n)) return;
    m_syncing = true;
    for (int pos = 0; pos < n; ++pos) m_header->moveSection(m_header->visualIndex(order[size_t(pos)]), pos);
    m_syncing = false;
  }

  void SelectionChanged() {
    if (m_syncing) return;
    m_syncing = true;
    QItemSelection selection;
    const int columns = m_model->columnCount({});
    for (int row = 0; row < m_list->GetItemCount() && columns > 0; ++row)
      if (m_list->GetItemState(row, LVIS_SELECTED))
        selection.select(m_model->index(row, 0), m_model->index(row, columns - 1));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const int focused = m_list->GetNextItem(-1, LVNI_FOCUSED);
    if (focused >= 0 && columns > 0)
      selectionModel()->setCurrentIndex(m_model->index(focused, 0), QItemSelectionModel::NoUpdate);
    m_syncing = false;
  }

  void NotifyItemChanged(int row, UINT oldState, UINT newState) {
    NMLISTVIEW nm{};
    nm.hdr = NMHDR{ToHwnd(this), UINT_PTR(m_list->GetDlgCtrlID()), LVN_ITEMCHANGED};
    nm.iItem = row;
    nm.iSubItem = 0;
    nm.uOldState = oldState;
    nm.uNewState = newState;
    nm.uChanged = LVIF_STATE;
    nm.lParam = LPARAM(m_list->GetItemData(row));
    NotifyParent(this, &nm.hdr);
  }

  void NotifyClick(const QModelIndex& index) {
    NMLISTVIEW nm{};
    nm.hdr = NMHDR{ToHwnd(this), UINT_PTR(m_list->GetDlgCtrlID()), NM_CLICK};
    nm.iItem = index.isValid() ? index.row() : -1;
    nm.iSubItem = index.isValid() ? index.column() : -1;
    NotifyParent(this, &nm.hdr);
  }

  CListCtrl* m_list;
  ListModel* m_model;
  HeaderView* m_header;
  bool m_syncing = false;
};

}  // namespace

QWidget* CreateListView(const win::Params& params, QWidget* parent) {
  auto* list = dynamic_cast<CListCtrl*>(params.owner);
  if (!list || !parent) return nullptr;
  auto* view = new ListView(list, parent);
  Track(view->Header());
  return view;
}

void ListViewChanged(QWidget* widget, win::ListChange what, int first, int last) {
  if (auto* view = dynamic_cast<ListView*>(widget)) view->Changed(what, first, last);
}

QWidget* ListViewHeader(QWidget* widget) {
  auto* view = dynamic_cast<ListView*>(widget);
  return view ? view->Header() : nullptr;
}

}  // namespace sorrel::qt
