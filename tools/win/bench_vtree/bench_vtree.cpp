// Result-tree benchmark: a million nodes (categories x entries of a 32-byte
// record) in our tree and, side by side in the same run with the same items,
// in comctl32's TreeView. Prints medians, the ratio ours/TreeView and the goals.
//
//   bench_vtree [--categories N] [--entries N] [--reps N] [--comctl-reps N] [--no-comctl]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/vtree_view.h"
#include "../bench_clock.h"

using namespace qz::ui;

namespace {

// The record: 32 bytes, as a cleaner's node record (texts live in a pool).
struct BenchRec {
  const char* name;
  const char* folder;
  std::int64_t size;
  std::uint16_t nameLen, folderLen;
  std::uint8_t isCategory;
  std::uint8_t spare;
  std::int16_t image;
};
static_assert(sizeof(BenchRec) == 32, "32-byte record");

// The same with owned texts, as the Drive Cleaner's record holds them.
struct OwnedRec {
  std::string name, folder, info;
  std::int64_t size = 0;
  std::uint8_t isCategory = 0;
  std::int32_t image = 0;
};

double Now() { return qz::bench::NowMs(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::size_t PrivateBytes() {
  // Committed private memory (Wine fills PagefileUsage, not PrivateUsage).
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof(pmc);
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
  return pmc.PagefileUsage;
}

void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

struct Items {
  std::vector<std::string> names, folders, cats;
  std::vector<BenchRec> recs;  // per category: the category record, then its entries
  int categories = 0, entries = 0;

  void Make(int c, int e) {
    categories = c;
    entries = e;
    std::mt19937 rng(12345);
    for (int i = 0; i < 64; ++i) folders.push_back("C:\\Dokumente und Einstellungen\\user\\Lokale Einstellungen\\Temp\\sub" + std::to_string(i));
    names.reserve(static_cast<size_t>(c) * e);
    char buf[64];
    for (int k = 0; k < c * e; ++k) {
      std::snprintf(buf, sizeof(buf), "~file%08u_%u.tmp", static_cast<unsigned>(rng()), static_cast<unsigned>(k));
      names.emplace_back(buf);
    }
    for (int i = 0; i < c; ++i) cats.push_back("Kategorie " + std::to_string(i));
    recs.reserve(static_cast<size_t>(c) * (e + 1));
    for (int i = 0; i < c; ++i) {
      recs.push_back(BenchRec{cats[i].c_str(), "", 0, static_cast<std::uint16_t>(cats[i].size()), 0, 1, 0, 0});
      for (int j = 0; j < e; ++j) {
        const size_t k = static_cast<size_t>(i) * e + j;
        const std::string& f = folders[rng() % folders.size()];
        recs.push_back(BenchRec{names[k].c_str(), f.c_str(), static_cast<std::int64_t>(rng() % 5000000),
                                static_cast<std::uint16_t>(names[k].size()), static_cast<std::uint16_t>(f.size()), 0,
                                0, 0});
      }
    }
  }
};

// Folder, then name, by character codes; equal values answer 1 ("not before").
int CompareRec(const BenchRec& a, const BenchRec& b, int column) {
  if (column == 1) return a.size < b.size ? -1 : 1;
  int r = CompareOrdinal({a.folder, a.folderLen}, {b.folder, b.folderLen});
  if (r == 0) r = CompareOrdinal({a.name, a.nameLen}, {b.name, b.nameLen});
  return r < 0 ? -1 : 1;
}

// The same through the C runtime (a plain byte loop under Wine), for comparison.
int CompareRecCrt(const BenchRec& a, const BenchRec& b) {
  int r = std::strcmp(a.folder, b.folder);
  if (r == 0) r = std::strcmp(a.name, b.name);
  return r < 0 ? -1 : 1;
}

// ---------------------------------------------------------------- our tree

void Fill(VTreeModel& t, const Items& it) {
  t.BeginUpdate();
  size_t k = 0;
  for (int c = 0; c < it.categories; ++c) {
    VNode* cat = t.AddChild(nullptr, it.recs[k++]);
    t.SetCheckType(cat, CheckType::TriState);
    t.SetNodeHeight(cat, 32);
    for (int e = 0; e < it.entries; ++e) {
      VNode* n = t.AddChild(cat, it.recs[k++]);
      t.SetCheckType(n, CheckType::CheckBox);
    }
  }
  t.EndUpdate();
}

void FillOwned(VTreeModel& t, const Items& it) {
  t.BeginUpdate();
  size_t k = 0;
  for (int c = 0; c < it.categories; ++c) {
    const BenchRec& cr = it.recs[k++];
    VNode* cat = t.AddChild(nullptr, OwnedRec{cr.name, "", "", 0, 1, 0});
    t.SetNodeHeight(cat, 32);
    t.SetCheckType(cat, CheckType::TriState);
    for (int e = 0; e < it.entries; ++e) {
      const BenchRec& r = it.recs[k++];
      VNode* n = t.AddChild(cat, OwnedRec{r.name, r.folder, "", r.size, 0, 0});
      t.SetCheckType(n, CheckType::CheckBox);
    }
  }
  t.EndUpdate();
}

struct Row {
  const char* what;
  double ours, comctl, goal;  // ms (or bytes); comctl < 0: not measured
  const char* unit;
};

class BenchForm : public Form {
 public:
  BenchForm() : Form(nullptr, "BenchForm") {
    SetClientSize(1024, 768);
    view = new VTreeView(this, "VirtualDrawTree_Bench");
    view->SetBounds(0, 0, 1024, 768);
    view->AddColumn("Beschreibung / Datei", 900);
    view->AddColumn("Grösse", 100);
    view->SetDefaultNodeHeight(32);
    view->SetMultiSelect(true);
    view->SetBackgroundGradient(RGB(255, 255, 255), RGB(200, 200, 200));
    view->Tree().SetRecordType<BenchRec>();
  }
  VTreeView* view;
};

// ---------------------------------------------------------------- comctl32

struct ComctlHost {
  HWND frame = nullptr, tree = nullptr;
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NOTIFY) {
      auto* nm = reinterpret_cast<NMHDR*>(lp);
      if (nm->code == TVN_GETDISPINFOW) {
        auto* di = reinterpret_cast<NMTVDISPINFOW*>(lp);
        if (di->item.mask & TVIF_TEXT) {
          const auto* r = reinterpret_cast<const BenchRec*>(di->item.lParam);
          static wchar_t buf[512];
          if (r->isCategory)
            std::swprintf(buf, 512, L"%hs", r->name);
          else
            std::swprintf(buf, 512, L"%hs\\%hs", r->folder, r->name);
          di->item.pszText = buf;
        }
        return 0;
      }
    }
    return DefWindowProcW(h, m, wp, lp);
  }
  void Create() {
    static bool reg = false;
    if (!reg) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"QzBenchTreeHost";
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      RegisterClassW(&wc);
      reg = true;
    }
    frame = CreateWindowExW(0, L"QzBenchTreeHost", L"TreeView", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            1040, 800, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    RECT rc;
    GetClientRect(frame, &rc);
    tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                           WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                               TVS_CHECKBOXES | TVS_SHOWSELALWAYS,
                           0, 0, 1024, 768, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tree, TVM_SETITEMHEIGHT, 32, 0);
    Pump();
  }
  std::vector<HTREEITEM> cats, all;
  void Fill(const Items& it) {
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    size_t k = 0;
    for (int c = 0; c < it.categories; ++c) {
      TVINSERTSTRUCTW ins{};
      ins.hParent = TVI_ROOT;
      ins.hInsertAfter = TVI_LAST;
      ins.item.mask = TVIF_TEXT | TVIF_PARAM;
      ins.item.pszText = LPSTR_TEXTCALLBACKW;
      ins.item.lParam = reinterpret_cast<LPARAM>(&it.recs[k++]);
      HTREEITEM cat = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
      cats.push_back(cat);
      ins.hParent = cat;
      for (int e = 0; e < it.entries; ++e) {
        ins.item.lParam = reinterpret_cast<LPARAM>(&it.recs[k++]);
        all.push_back(reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins))));
      }
    }
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  }
  void SetState(HTREEITEM h, int image) {
    TVITEMW tv{};
    tv.mask = TVIF_STATE | TVIF_HANDLE;
    tv.hItem = h;
    tv.stateMask = TVIS_STATEIMAGEMASK;
    tv.state = INDEXTOSTATEIMAGEMASK(image);
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  }
  // TreeView has no tri-state propagation: the category and each entry by hand.
  void CheckAll(bool on) {
    for (HTREEITEM c : cats) {
      SetState(c, on ? 2 : 1);
      for (HTREEITEM h = TreeView_GetChild(tree, c); h; h = TreeView_GetNextSibling(tree, h)) SetState(h, on ? 2 : 1);
    }
  }
  static int CALLBACK Cmp(LPARAM a, LPARAM b, LPARAM column) {
    return CompareRec(*reinterpret_cast<const BenchRec*>(a), *reinterpret_cast<const BenchRec*>(b),
                      static_cast<int>(column));
  }
  void Sort(int column) {
    TVSORTCB sc{};
    sc.lpfnCompare = Cmp;
    sc.lParam = column;
    sc.hParent = TVI_ROOT;
    SendMessageW(tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sc));
    for (HTREEITEM c : cats) {
      sc.hParent = c;
      SendMessageW(tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sc));
    }
  }
};

double RepaintMs(HWND h) {
  InvalidateRect(h, nullptr, FALSE);
  const double t0 = Now();
  UpdateWindow(h);
  GdiFlush();
  return Now() - t0;
}

}  // namespace

int main(int argc, char** argv) {
  int categories = 10, entries = 100000, reps = 5, comctlReps = 1;
  bool comctl = true;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
    if (a == "--categories") categories = next();
    else if (a == "--entries") entries = next();
    else if (a == "--reps") reps = std::max(next(), 1);
    else if (a == "--comctl-reps") comctlReps = std::max(next(), 1);
    else if (a == "--no-comctl") comctl = false;
  }
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  const long long total = static_cast<long long>(categories) * (entries + 1);
  std::printf("result tree benchmark: %d categories x %d entries = %lld nodes, record %zu bytes, %d reps (TreeView %d)\n",
              categories, entries, total, sizeof(BenchRec), reps, comctlReps);
  Items items;
  items.Make(categories, entries);

  std::vector<Row> rows;
  // ---- our tree: add, check all, sort, memory (model without window)
  std::vector<double> add, addOwned, check, uncheck, sortName, sortSize, sortCrt, clear;
  double perNode = 0, overhead = 0;
  for (int r = 0; r < reps; ++r) {
    VTreeModel t;
    t.SetRecordType<BenchRec>();
    const std::size_t m0 = PrivateBytes();
    double t0 = Now();
    Fill(t, items);
    add.push_back(Now() - t0);
    if (r == 0) {
      perNode = (static_cast<double>(PrivateBytes()) - static_cast<double>(m0)) / static_cast<double>(total) -
                static_cast<double>(sizeof(BenchRec));
      overhead = static_cast<double>(t.NodeOverhead());
    }
    std::int64_t marked = 0;
    t.OnChecking = [&](VNode* n, CheckState s) {
      const BenchRec& rec = t.Data<BenchRec>(n);
      if (!rec.isCategory) marked += s == CheckState::Checked ? rec.size : -rec.size;
      return true;
    };
    t0 = Now();
    for (VNode* c = t.GetFirst(); c; c = t.GetNextSibling(c)) t.ChangeCheckState(c, CheckState::Checked);
    check.push_back(Now() - t0);
    t0 = Now();
    for (VNode* c = t.GetFirst(); c; c = t.GetNextSibling(c)) t.ChangeCheckState(c, CheckState::Unchecked);
    uncheck.push_back(Now() - t0);
    if (marked != 0) std::printf("!! marked counter off by %lld\n", static_cast<long long>(marked));
    t.OnCompareNodes = [&](VNode* a, VNode* b, int col) { return CompareRec(t.Data<BenchRec>(a), t.Data<BenchRec>(b), col); };
    t0 = Now();
    t.SortTree(0);
    sortName.push_back(Now() - t0);
    t0 = Now();
    t.SortTree(1);
    sortSize.push_back(Now() - t0);
    t0 = Now();
    t.SortWith(nullptr, [&](VNode* a, VNode* b) { return CompareRecCrt(t.Data<BenchRec>(a), t.Data<BenchRec>(b)); });
    sortCrt.push_back(Now() - t0);
    t0 = Now();
    t.Clear();
    clear.push_back(Now() - t0);
    VTreeModel o;
    o.SetRecordType<OwnedRec>();
    t0 = Now();
    FillOwned(o, items);
    addOwned.push_back(Now() - t0);
  }

  // ---- our tree in a window: repaint a full window of rows
  App().SetTitle("bench_vtree");
  BenchForm* form = nullptr;
  App().CreateForm(form);
  Fill(form->view->Tree(), items);
  form->view->Tree().FullExpand();
  form->view->OnDrawNode = [&](const TreeCell& c) {
    const BenchRec& r = c.view->Tree().Data<BenchRec>(c.node);
    if (r.isCategory) {
      if (c.column == 0)
        c.BoldText(40, 12, std::string(r.name) + " [" + std::to_string(c.view->Tree().ChildCount(c.node)) + "]",
                   c.Width() - 40);
      return;
    }
    if (c.column == 0) {
      c.Text(3, 3, std::string(r.folder) + "\\" + r.name);
      c.Text(3, 17, "Ziel: \"C:\\Programme\\Beispiel\\fehlt.exe\"");
    } else {
      c.Text(4, 4, std::to_string(r.size));
    }
  };
  form->Show();
  Pump();
  std::vector<double> paint;
  const std::int64_t totalH = form->view->Tree().TotalHeight();
  for (int i = 0; i < 40; ++i) {
    form->view->SetOffsetY(totalH / 40 * i + 7);
    Pump();
    paint.push_back(RepaintMs(form->view->Handle()));
  }
  int rowsShown = 0;
  for (std::int64_t y = 0; y < form->view->ClientHeight();) {
    VNode* n = form->view->GetNodeAt(10, static_cast<int>(y) + form->view->HeaderHeight());
    if (!n) break;
    y += form->view->Tree().NodeHeight(n);
    ++rowsShown;
  }
  // Where the time of a repaint goes: painting into memory with and without
  // the owner's cells, against the whole update of the window.
  std::vector<double> paintMem, paintMemBare;
  {
    HDC screen = GetDC(form->view->Handle());
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 1024, 768);
    HGDIOBJ old = SelectObject(mem, bmp);
    auto draw = form->view->OnDrawNode;
    for (int i = 0; i < 20; ++i) {
      double t0 = Now();
      form->view->PaintTo(mem);
      paintMem.push_back(Now() - t0);
    }
    form->view->OnDrawNode = nullptr;
    for (int i = 0; i < 20; ++i) {
      double t0 = Now();
      form->view->PaintTo(mem);
      paintMemBare.push_back(Now() - t0);
    }
    form->view->OnDrawNode = draw;
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(form->view->Handle(), screen);
  }
  std::vector<double> paintTop;
  form->view->SetOffsetY(0);
  for (int i = 0; i < 20; ++i) paintTop.push_back(RepaintMs(form->view->Handle()));
  form->Hide();

  // ---- comctl32 TreeView with the same items
  std::vector<double> cAdd, cCheck, cSort, cPaint;
  double cPerNode = -1;
  if (comctl) {
    for (int r = 0; r < comctlReps; ++r) {
      auto* host = new ComctlHost;  // never destroyed: freeing a million items takes the TreeView minutes
      host->Create();
      host->all.reserve(static_cast<size_t>(total));
      const std::size_t m0 = PrivateBytes();
      double t0 = Now();
      host->Fill(items);
      cAdd.push_back(Now() - t0);
      if (r == 0)
        // The TreeView keeps only a pointer to the record: all it allocates is beyond the record.
        cPerNode = (static_cast<double>(PrivateBytes()) - static_cast<double>(m0)) / static_cast<double>(total);
      t0 = Now();
      host->CheckAll(true);
      cCheck.push_back(Now() - t0);
      t0 = Now();
      host->Sort(0);
      cSort.push_back(Now() - t0);
      if (r == 0) {
        for (HTREEITEM c : host->cats) SendMessageW(host->tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(c));
        Pump();
        for (int i = 0; i < 40; ++i) {
          SendMessageW(host->tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE,
                       reinterpret_cast<LPARAM>(host->all[host->all.size() / 40 * i + 7]));
          Pump();
          cPaint.push_back(RepaintMs(host->tree));
        }
      }
      ShowWindow(host->frame, SW_HIDE);
      Pump();
    }
  }

  auto cm = [&](const std::vector<double>& v) { return v.empty() ? -1.0 : Median(v); };
  rows.push_back({"add 1M nodes", Median(add), cm(cAdd), 1000, "ms"});
  rows.push_back({"check all (tri-state propagation)", Median(check), cm(cCheck), 200, "ms"});
  rows.push_back({"uncheck all (tri-state propagation)", Median(uncheck), -1, 200, "ms"});
  rows.push_back({"sort by column 0 (folder\\name)", Median(sortName), cm(cSort), 2000, "ms"});
  rows.push_back({"sort by column 1 (size)", Median(sortSize), -1, 2000, "ms"});
  rows.push_back({"sort by column 0, comparator on strcmp", Median(sortCrt), -1, -1, "ms"});
  rows.push_back({"repaint full window (middle, expanded)", Median(paint), cm(cPaint), 16, "ms"});
  rows.push_back({"repaint full window (top)", Median(paintTop), -1, 16, "ms"});
  rows.push_back({"  of it: rows painted into memory", Median(paintMem), -1, -1, "ms"});
  rows.push_back({"  of it: the same without the owner's cells", Median(paintMemBare), -1, -1, "ms"});
  rows.push_back({"memory per node beyond the record", perNode, cPerNode, 64, "bytes"});
  rows.push_back({"node header + slot padding (exact)", overhead, -1, 64, "bytes"});
  rows.push_back({"clear 1M nodes", Median(clear), -1, -1, "ms"});
  rows.push_back({"add 1M nodes, std::string record", Median(addOwned), -1, -1, "ms"});

  std::printf("\n%-42s %12s %12s %10s %10s  %s\n", "measure (median)", "ours", "TreeView", "ours/TV", "goal", "");
  for (const Row& r : rows) {
    char tv[32] = "-", ratio[32] = "-", goal[32] = "-";
    if (r.comctl >= 0) {
      std::snprintf(tv, sizeof tv, "%.2f", r.comctl);
      if (r.comctl > 0) std::snprintf(ratio, sizeof ratio, "%.3f", r.ours / r.comctl);
    }
    if (r.goal >= 0) std::snprintf(goal, sizeof goal, "%.0f", r.goal);
    const char* verdict = r.goal < 0 ? "" : (r.ours <= r.goal ? "ok" : "MISSED");
    std::printf("%-42s %12.2f %12s %10s %10s  %s %s\n", r.what, r.ours, tv, ratio, goal, r.unit, verdict);
  }
  std::printf("\nrows on screen in the repaint: %d (window 1024x768, row height 32, two text lines per entry)\n", rowsShown);
  std::fflush(stdout);
  // The TreeViews keep their million items; leave without tearing them down.
  ExitProcess(0);
}
