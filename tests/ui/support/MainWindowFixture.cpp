#include "tests/ui/support/MainWindowFixture.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <vector>
#include <filesystem>

#include "ui/uiShell.h"
#include "ui/uiDBGrid.h"
#include "ui/uiWindowKit.h"
#include "ui/uiLook.h"
#include "search/frmMap.h"

std::unique_ptr<TOrbiskWindows> MainWindowFixture::Compose(
    const orbisk::testing::TempFolder& folder, bool withDirectory,
    const std::function<std::string(const std::string&)>& chooseFile) {
  InstallFontSubstitutes();  // as the program does at start-up
  if (withDirectory) orbisk::testing::WriteSmallDirectory(folder.Path());
  // The templates the program ships beside itself, in the folder's own database folder.
  std::filesystem::create_directories(folder.Path() + "Database");
  for (const char* name : {"Company_Template.htm", "Contact_Template.htm"})
    std::filesystem::copy_file(std::string(ORBISK_BUILD_DIR "/bin/Database/") + name,
                               folder.Path() + "Database/" + name);
  const std::string directory = chooseFile ? chooseFile(folder.Path()) : folder.Path() + "Database/corpdir.mdb";
  return ComposeWindows(folder.Path(), directory);
}

MainWindowFixture::MainWindowFixture(bool withDirectory, std::function<std::string(const std::string&)> chooseFile)
    : windows_(Compose(folder, withDirectory, chooseFile)),
      dm(*windows_->DM),
      frm(windows_->Main_Frm.get()),
      catDlg(windows_->ComanyCat_Dlg.get()),
      companyDlg(windows_->Company_Dlg.get()),
      contactDlg(windows_->Contact_Dlg.get()),
      exportDlg(windows_->ExportType_Dlg.get()) {
  ModalSeam() = [this](QDialog& d) {
    auto* title = d.findChild<QLabel*>(QStringLiteral("Title_Pnl"));
    shown.append(title ? title->text() : d.windowTitle());
    return static_cast<int>(QDialog::Rejected);
  };
  SetUrlOpener([this](const QUrl& url) { opened.append(url); });
  SetMessageShower([this](QWidget*, const QString& text) { messages.append(text); });
  frm->show();
  if (!QTest::qWaitForWindowExposed(frm)) qWarning("main window not exposed");
}

MainWindowFixture::~MainWindowFixture() {
  SetUrlOpener({});
  SetMessageShower({});
  ModalSeam() = nullptr;
  windows_.reset();
}

QPoint CellCentre(TDBGrid* grid, int row, int column) {
  grid->scrollTo(grid->model()->index(row, column));
  return grid->visualRect(grid->model()->index(row, column)).center();
}

int ColumnOf(TDBGrid* grid, const char* field) {
  for (int c = 0; c < grid->model()->columnCount(); ++c)
    if (grid->queryModel()->column(c).field == field) return c;
  return -1;
}

void ClickCell(TDBGrid* grid, int row, int column) {
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(grid, row, column));
}

// A point of the shown map well inside the region that chooses `what`
// ("Location|Ontario"), found in the region files the program ships.
QPoint PointOf(TMap_Frm& map, const QString& what) {
  const QString bin = QStringLiteral(ORBISK_BUILD_DIR "/bin/");
  QFile key(bin + QStringLiteral("map_regions.txt"));
  if (!key.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QRgb colour = 0;
  for (const QString& line : QString::fromUtf8(key.readAll()).split(QLatin1Char('\n')))
    if (line.endsWith(QLatin1Char('\t') + what)) {
      const QStringList c = line.section(QLatin1Char('\t'), 0, 0).split(QLatin1Char(' '));
      colour = qRgb(c[0].toInt(), c[1].toInt(), c[2].toInt());
    }
  const QImage regions = QImage(bin + QStringLiteral("map_regions.png")).convertToFormat(QImage::Format_RGB32);
  std::vector<QPoint> inside;  // pixels whose whole 5 x 5 neighbourhood has the colour
  for (int y = 2; y < regions.height() - 2; ++y)
    for (int x = 2; x < regions.width() - 2; ++x) {
      bool all = true;
      for (int dy = -2; dy <= 2 && all; ++dy)
        for (int dx = -2; dx <= 2 && all; ++dx) all = (regions.pixel(x + dx, y + dy) | 0xff000000u) == colour;
      if (all) inside.push_back({x, y});
    }
  if (inside.empty()) return {};
  const QPoint r = inside[inside.size() / 2];
  const QSize shown = map.Map_Img->size();
  return {(2 * r.x() + 1) * shown.width() / (2 * regions.width()),
          (2 * r.y() + 1) * shown.height() / (2 * regions.height())};
}
