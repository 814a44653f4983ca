// sorrel-widgets: the library's interface pieces in one window, built on its public
// API: the phone book list with its stored columns and the draggable header (drag a
// caption: the column moves through the column model and the order is stored when
// the window closes), colour buttons in each state, and the splash screen.
//
//   sorrel-widgets                    the window, until it is closed
//   sorrel-widgets --screenshot FILE  the window as a PNG, then exit
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <sorrel/Sorrel.h>

namespace {

constexpr UINT kListId = 100;
constexpr UINT kSplashId = 200;
constexpr UINT kButtonIds = 300;

class GalleryWindow : public CWnd {
 public:
  GalleryWindow() {
    Create(nullptr, "Sorrel widgets", WS_OVERLAPPEDWINDOW, CRect(0, 0, 660, 330), nullptr, 0);
    m_columns.AddColumn(12, 110, 0, 40);  // surname, put after the name
    m_columns.AddColumn(6, 110, 0, 40);   // mobile
    m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(10, 10, 650, 200), this, kListId);
    m_columns.InsertColumns2Ctrl(m_list);
    m_header.SubclassWindow(m_list.GetHeaderCtrl()->GetSafeHwnd());
    const char* rows[][6] = {
        {"1", "SM", "Jan", "+420601111222", "Novak", "+420777123456"},
        {"2", "SM", "Eva", "+420602333444", "Dvorakova", ""},
        {"3", "ME", "Petr", "+420603555666", "Svoboda", "+420608999000"},
        {"4", "ME", "Marie", "+420604777888", "Cerna", ""},
    };
    for (int i = 0; i < 4; ++i) {
      m_list.InsertItem(i, rows[i][0]);
      for (int c = 1; c < 6; ++c) m_list.SetItemText(i, c, rows[i][c]);
    }
    m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);

    const char* states[] = {"Normal", "Focus", "Default", "Pressed", "Disabled"};
    for (int i = 0; i < 5; ++i) {
      auto& b = m_buttons.emplace_back(std::make_unique<CTovikButton>(RGB(0x9C, 0xC8, 0xEC)));
      const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
      b->Create(states[i], style, CRect(10 + i * 106, 215, 110 + i * 106, 245), this, kButtonIds + UINT(i));
    }
    m_buttons[4]->EnableWindow(FALSE);
    // The default and the pressed look, set on the toolkit's buttons (a window
    // handle is the widget's address).
    reinterpret_cast<QPushButton*>(m_buttons[2]->m_hWnd)->setDefault(true);
    reinterpret_cast<QPushButton*>(m_buttons[3]->m_hWnd)->setDown(true);
    m_splash.Create("Splash", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 260, 140, 290), this, kSplashId);
  }

  ~GalleryWindow() override {
    if (m_splashThread.joinable()) m_splashThread.join();
  }

  void FocusButton() { m_buttons[1]->SetFocus(); }

 protected:
  afx_msg void OnEndDrag(NMHDR*, LRESULT* pResult) {
    m_header.OnEndDrag();
    UINT to = 0, from = 0;
    m_header.GetMovedIndexes(&to, &from);
    if (to != 0xFFFFFFFF) {
      std::vector<int> order(size_t(m_list.GetColumnCount()));
      m_list.GetColumnOrderArray(order.data(), int(order.size()));
      m_columns.MoveColumns(UINT(order[to]), UINT(order[from]), m_list);
    }
    *pResult = TRUE;
  }
  afx_msg void OnBeginTrack(NMHDR*, LRESULT*) { m_header.SetTrack(TRUE); }
  afx_msg void OnEndTrack(NMHDR* pNMHDR, LRESULT*) {
    auto* nm = reinterpret_cast<NMHEADER*>(pNMHDR);
    m_columns.SetColumnWidth(UINT(nm->iItem), UINT(nm->pitem->cxy));
    m_header.SetTrack(FALSE);
  }
  afx_msg void OnSplash() {
    if (m_splashThread.joinable()) m_splashThread.join();
    m_splashThread = std::thread([this] { ShowSplash(&m_splashEvent); });
    m_splashEvent.Lock(5000);  // the picture is up
  }
  DECLARE_MESSAGE_MAP()

 private:
  CColumnInfos m_columns;
  CMarlowList m_list{&m_columns};
  CMyHeader m_header;
  std::vector<std::unique_ptr<CTovikButton>> m_buttons;
  CButton m_splash;
  CEvent m_splashEvent;
  std::thread m_splashThread;
};

BEGIN_MESSAGE_MAP(GalleryWindow, CWnd)
ON_NOTIFY(HDN_ENDDRAG, 0, OnEndDrag)
ON_NOTIFY(HDN_BEGINTRACK, 0, OnBeginTrack)
ON_NOTIFY(HDN_ENDTRACK, 0, OnEndTrack)
ON_BN_CLICKED(kSplashId, OnSplash)
END_MESSAGE_MAP()

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SorrelRegisterSampleHostStrings();
  const char* screenshot = argc == 3 && std::strcmp(argv[1], "--screenshot") == 0 ? argv[2] : nullptr;
  if (argc > 1 && !screenshot) {
    std::fprintf(stderr, "usage: sorrel-widgets [--screenshot FILE]\n");
    return 2;
  }
  GalleryWindow window;
  window.ShowWindow(SW_SHOW);
  auto* widget = reinterpret_cast<QWidget*>(window.m_hWnd);
  widget->activateWindow();
  window.FocusButton();
  if (screenshot) {
    QTimer::singleShot(200, widget, [&] {
      window.FocusButton();
      const bool saved = widget->grab().save(QString::fromLocal8Bit(screenshot), "PNG");
      if (!saved) std::fprintf(stderr, "sorrel-widgets: %s: cannot write the picture\n", screenshot);
      app.exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}
