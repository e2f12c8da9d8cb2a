// The details, contact, category, map and About windows, driven headless.
#include <QApplication>
#include <QHeaderView>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "../core/TestDirectory.h"
#include "about/HelpAbout.h"
#include "browse/dlgCompany.h"
#include "browse/dlgContact.h"
#include "ui/uiShell.h"
#include "ui/uiWindowKit.h"
#include "search/dlgCat.h"
#include "search/frmMap.h"

using orbisk::Query;
using orbisk::TDM;
using orbisk::testing::TempFolder;

namespace {

void Run(Query& q, const std::string& sql) {
  q.Close();
  q.SetSQL(sql);
  q.Open();
}

QStringList Column(const Query& q, const char* field) {
  QStringList r;
  const orbisk::Field& f = q.FieldByName(field);
  for (int i = 0; i < q.RecordCount(); ++i) r << QString::fromStdString(f.TextAt(i));
  return r;
}

void ClickCell(TDBGrid* grid, int row, int column, bool twice = false) {
  const QPoint at = grid->visualRect(grid->model()->index(row, column)).center();
  // A double click is a click followed by the second press, as the mouse sends it.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
  if (twice) QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

// Removes every map picture and region file an earlier test left in a folder.
void RemoveMapFiles(const QString& folder) {
  const QDir dir(folder);
  for (const QString& name : dir.entryList(QDir::Files))
    if (name.startsWith(QLatin1String("map"), Qt::CaseInsensitive)) QFile::remove(dir.filePath(name));
}

}  // namespace

class WindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    orbisk::testing::WriteSmallDirectory(folder.Path());
    dm = std::make_unique<TDM>();
    dm->DataModuleCreate(folder.Path());
    opened.clear();
    SetUrlOpener([this](const QUrl& url) { opened << url.toString() + QLatin1Char('|'); });
    ModalSeam() = nullptr;
    errors.clear();
    SetMessageShower([this](QWidget*, const QString& t) { errors << t; });
  }
  void cleanup() {
    ModalSeam() = nullptr;
    dm.reset();
  }

  void companyDetailsShowOneCompany();
  void companyDetailsKeepTabAndFollowNextCompany();
  void companyDetailsFailureStillShowsWindow();
  void contactGridDoubleClickOpensMail();
  void detailGridMenusOpenMailAndOfferNoExport();
  void contactWindow();
  void pickerMainThenLeaf();
  void pickerKeepsChoiceAndIgnoresKeyboard();
  void pickerCancelAndEmptyOk();
  void pickerDoubleClickAccepts();
  void mapWindowMissingPicture();
  void mapWindowCreatedOnce();
  void mapFitsTheScreenAndStaysSharp();
  void mapClicksChooseProvincesAndCodes();
  void mapShowsPictureAtItsOwnSize();
  void mapRegionsBelongToTheirPicture();
  void aboutWindow();
  void aboutMemoryText();

 private:
  TempFolder folder;
  std::unique_ptr<TDM> dm;
  QStringList opened;
  QStringList errors;
};

void WindowsTest::companyDetailsShowOneCompany() {
  Run(dm->Company_Q, "select * from Company_Info where Company_ID in (1, 2) order by Company_ID");
  TCompany_Dlg dlg(*dm);
  QString title, details, description;
  int contacts = -1, products = -1, shown = 0;
  bool busyWhileShown = true;
  ModalSeam() = [&](QDialog& d) {
    title = dlg.Title_Pnl->text();
    details = dlg.Company_Memo->toPlainText();
    description = dlg.Company_Description_DBMemo->toPlainText();
    contacts = dlg.Contact_DBGrid->model()->rowCount();
    products = dlg.PSL_DBGrid->model()->rowCount();
    busyWhileShown = QApplication::overrideCursor() != nullptr;
    for (int i = 0; i < dlg.CompanyInfo_PC->count(); ++i) shown += dlg.CompanyInfo_PC->isTabVisible(i);
    d.show();
    d.hide();
    return int(QDialog::Rejected);
  };
  dlg.OpenCompanyDetails();

  QCOMPARE(title, QStringLiteral("Prairie Bank Ltd"));
  QVERIFY(details.startsWith(QStringLiteral("Company ID : 1\n\nCompany Name : Prairie Bank Ltd\n\n")));
  const QStringList lines = details.split(QLatin1Char('\n'));
  // Every field but the description, each followed by an empty line.
  QCOMPARE(lines.size(), 2 * (dm->OneCompany_Q.FieldCount() - 1));
  QVERIFY(lines.contains(QStringLiteral("Number of Employees : 120")));
  QVERIFY(lines.contains(QStringLiteral("Mailing Address Postal :")));
  QVERIFY(!details.contains(QStringLiteral("First line")));
  QVERIFY(!details.contains(QStringLiteral("Company Description")));
  QCOMPARE(description, QStringLiteral("First line\nSecond line"));
  QCOMPARE(contacts, 2);
  QCOMPARE(products, 2);
  QCOMPARE(Column(dm->CompanyContact_Q, "Name"), (QStringList{"Ann Smith", "Bob Jones"}));
  QCOMPARE(Column(dm->PSL_Q, "Name"), (QStringList{"Commercial loans", "Savings accounts"}));
  QCOMPARE(shown, 4);
  QCOMPARE(dlg.CompanyInfo_PC->count(), 7);
  QCOMPARE(dlg.CompanyInfo_PC->tabText(3), QStringLiteral("Product/Service"));
  QVERIFY(!busyWhileShown);
  QVERIFY(dlg.Company_Memo->isReadOnly());
  QCOMPARE(dlg.PSL_DBGrid->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Exporting"));
  QVERIFY(!(dlg.PSL_DBGrid->model()->flags(dlg.PSL_DBGrid->model()->index(0, 0)) & Qt::ItemIsEditable));
}

void WindowsTest::companyDetailsKeepTabAndFollowNextCompany() {
  Run(dm->Company_Q, "select * from Company_Info where Company_ID in (1, 3) order by Company_ID");
  TCompany_Dlg dlg(*dm);
  int tabWhenShown = -1;
  ModalSeam() = [&](QDialog&) {
    tabWhenShown = dlg.CompanyInfo_PC->currentIndex();
    dlg.CompanyInfo_PC->setCurrentIndex(2);  // the user leaves it on Contact
    return int(QDialog::Rejected);
  };
  dlg.OpenCompanyDetails();
  QCOMPARE(tabWhenShown, 0);
  dm->Company_Q.Next();  // O'Brien Tools: no contacts, no description
  dlg.OpenCompanyDetails();
  QCOMPARE(tabWhenShown, 2);
  QCOMPARE(dlg.Title_Pnl->text(), QStringLiteral("O'Brien Tools"));
  QVERIFY(dlg.Company_Memo->toPlainText().startsWith(QStringLiteral("Company ID : 3\n")));
  QCOMPARE(dlg.Company_Description_DBMemo->toPlainText(), QString());
  QCOMPARE(dlg.Contact_DBGrid->model()->rowCount(), 0);
  QCOMPARE(dlg.PSL_DBGrid->model()->rowCount(), 0);
}

void WindowsTest::companyDetailsFailureStillShowsWindow() {
  Run(dm->Company_Q, "select * from Company_Info where Company_ID = 2");
  {
    // Another program removes the products table while we run.
    orbisk::Connection other;
    other.OpenWritable(folder.Path() + "Database/corpdir.mdb");
    orbisk::testing::Exec(other.Handle(), "DROP TABLE Company_ProductServiceLicensing");
  }
  TCompany_Dlg dlg(*dm);
  bool shown = false;
  ModalSeam() = [&](QDialog&) {
    shown = true;
    return int(QDialog::Rejected);
  };
  bool raised = false;
  try {
    dlg.OpenCompanyDetails();
  } catch (const std::exception&) {
    raised = true;
  }
  QVERIFY(shown);
  QVERIFY(raised);
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QVERIFY(!dm->OneCompany_Q.ControlsDisabled());
  QCOMPARE(dlg.Title_Pnl->text(), QStringLiteral("Société Générale Québec"));
  QVERIFY(dlg.Company_Memo->toPlainText().startsWith(QStringLiteral("Company ID : 2")));
}

void WindowsTest::contactGridDoubleClickOpensMail() {
  Run(dm->Company_Q, "select * from Company_Info where Company_ID = 1");
  TCompany_Dlg dlg(*dm);
  ModalSeam() = [&](QDialog& d) {
    dlg.CompanyInfo_PC->setCurrentWidget(dlg.Contact_TS);
    d.show();
    if (!QTest::qWaitForWindowExposed(&d)) return int(QDialog::Rejected);
    ClickCell(dlg.Contact_DBGrid, 0, 3, true);  // Ann Smith's e-mail
    ClickCell(dlg.Contact_DBGrid, 1, 3, true);  // Bob Jones has none
    ClickCell(dlg.Contact_DBGrid, 0, 0, true);  // a name
    d.hide();
    return int(QDialog::Rejected);
  };
  dlg.OpenCompanyDetails();
  QCOMPARE(opened, (QStringList{"mailto:ann@prairie.ca|"}));
  const QModelIndex email = dlg.Contact_DBGrid->model()->index(0, 3);
  QCOMPARE(email.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 255));
  QVERIFY(email.data(Qt::FontRole).value<QFont>().underline());
}

void WindowsTest::detailGridMenusOpenMailAndOfferNoExport() {
  Run(dm->Company_Q, "select * from Company_Info where Company_ID = 1");
  TCompany_Dlg dlg(*dm);
  QStringList contactMenu, nameMenu, productMenu;
  auto names = [](const QMenu& m) {
    QStringList r;
    for (QAction* a : m.actions())
      if (!a->isSeparator()) r << a->objectName();
    return r;
  };
  ModalSeam() = [&](QDialog& d) {
    dlg.CompanyInfo_PC->setCurrentWidget(dlg.Contact_TS);
    d.show();
    if (!QTest::qWaitForWindowExposed(&d)) return int(QDialog::Rejected);
    TDBGrid* grid = dlg.Contact_DBGrid;
    std::unique_ptr<QMenu> menu = grid->ContextMenuAt(grid->visualRect(grid->model()->index(0, 3)).center());
    contactMenu = names(*menu);
    for (QAction* a : menu->actions())
      if (a->objectName() == QLatin1String("SendEmail")) a->trigger();
    // An empty e-mail cell offers no mail; a plain cell neither.
    menu = grid->ContextMenuAt(grid->visualRect(grid->model()->index(1, 3)).center());
    nameMenu = names(*menu);
    dlg.CompanyInfo_PC->setCurrentWidget(dlg.PSL_TS);
    QTest::qWait(10);
    TDBGrid* products = dlg.PSL_DBGrid;
    menu = products->ContextMenuAt(products->visualRect(products->model()->index(0, 1)).center());
    productMenu = names(*menu);
    d.hide();
    return int(QDialog::Rejected);
  };
  dlg.OpenCompanyDetails();
  QCOMPARE(contactMenu, (QStringList{"Copy", "CopyWithTitles", "SendEmail"}));
  QCOMPARE(opened, (QStringList{"mailto:ann@prairie.ca|"}));
  QCOMPARE(nameMenu, (QStringList{"Copy", "CopyWithTitles"}));
  QCOMPARE(productMenu, (QStringList{"Copy", "CopyWithTitles"}));
}

void WindowsTest::contactWindow() {
  Run(dm->Contact_Q,
      "select c.*, i.Company_Name, i.Location_Address from Company_Contact c, Company_Info i"
      " where c.Company_ID = i.Company_ID order by c.Record_ID");
  dm->Contact_Q.MoveTo(3);
  TContact_Dlg dlg(*dm);
  QString text;
  ModalSeam() = [&](QDialog&) {
    text = dlg.Contact_Memo->toPlainText();
    return int(QDialog::Rejected);
  };
  dlg.OpenContactWindow();
  QCOMPARE(dlg.Title_Pnl->text(), QStringLiteral("Émile Tremblay"));
  QVERIFY(text.startsWith(QStringLiteral("Company_Name : Société Générale Québec\n\nLocation_Address : ")));
  QVERIFY(!text.contains(QStringLiteral("Record_ID")));
  QVERIFY(!text.contains(QStringLiteral("RecNo")));
  QVERIFY(text.contains(QStringLiteral("\nFax :\n")));
  QVERIFY(!dlg.Contact_Memo->isReadOnly());
  QCOMPARE(dlg.windowTitle(), QStringLiteral("Contact"));
}

void WindowsTest::pickerMainThenLeaf() {
  TComanyCat_Dlg dlg(*dm);
  QCOMPARE(dlg.windowTitle(), QStringLiteral("Company Category "));
  CategoryTarget target;
  QStringList leavesBefore, leavesAfter;
  std::string textAfterMain, conditionAfterMain;
  QString shownBefore, shownAfterMain, shownAfterLeaf;
  ModalSeam() = [&](QDialog& d) {
    d.show();
    leavesBefore = Column(dm->LeafCat_Q, "SubCat_Text");  // "Abor" before any click
    shownBefore = dlg.Selection_Lab->text();
    ClickCell(dlg.MainCat_DBGrid, 1, 1);  // Agriculture
    shownAfterMain = dlg.Selection_Lab->text();
    leavesAfter = Column(dm->LeafCat_Q, "SubCat_Text");
    textAfterMain = dlg.SelText;
    conditionAfterMain = dlg.SelCondition;
    ClickCell(dlg.SubCat_DBGrid, 1, 1);  // Dairy
    shownAfterLeaf = dlg.Selection_Lab->text();
    d.hide();
    return int(QDialog::Accepted);
  };
  QVERIFY(RunCategoryPicker(dlg, *dm, target));
  QCOMPARE(leavesBefore, (QStringList{"Aboriginal Crafts"}));
  QCOMPARE(leavesAfter, (QStringList{"Grain Farming", "Dairy"}));
  QCOMPARE(textAfterMain, std::string("Agriculture"));
  QCOMPARE(conditionAfterMain, std::string(" MainCat_Code='Agri'"));
  QCOMPARE(target.text, QStringLiteral("Agriculture/Dairy"));
  QCOMPARE(target.hint, target.text);
  // The dialog shows what OK will apply.
  QCOMPARE(shownBefore, QStringLiteral("Selected: (none)"));
  QCOMPARE(shownAfterMain, QStringLiteral("Selected: Agriculture"));
  QCOMPARE(shownAfterLeaf, QStringLiteral("Selected: Agriculture/Dairy"));
  QCOMPARE(target.condition,
           QStringLiteral(" Company_ID in (select Company_ID from Company_SubCat where  SubCat_Code='2_2')"));
  QVERIFY(target.ticked);

  // Only the main category: its whole condition.
  ModalSeam() = [&](QDialog& d) {
    d.show();
    ClickCell(dlg.MainCat_DBGrid, 0, 0);
    d.hide();
    return int(QDialog::Accepted);
  };
  target.ticked = false;
  QVERIFY(RunCategoryPicker(dlg, *dm, target));
  QCOMPARE(target.text, QStringLiteral("Aboriginal Businesses"));
  QCOMPARE(target.condition,
           QStringLiteral(" Company_ID in (select Company_ID from Company_SubCat where  MainCat_Code='Abor')"));
  QVERIFY(target.ticked);
}

void WindowsTest::pickerKeepsChoiceAndIgnoresKeyboard() {
  TComanyCat_Dlg dlg(*dm);
  CategoryTarget target;
  ModalSeam() = [&](QDialog& d) {
    d.show();
    ClickCell(dlg.MainCat_DBGrid, 1, 1);
    d.hide();
    return int(QDialog::Accepted);
  };
  RunCategoryPicker(dlg, *dm, target);
  const QString first = target.condition;
  QString leafParam, shownSelection;
  int mainRow = -1;
  ModalSeam() = [&](QDialog& d) {
    d.show();
    dlg.MainCat_DBGrid->setFocus();
    QTest::keyClick(dlg.MainCat_DBGrid, Qt::Key_Up);  // back to Aboriginal Businesses
    mainRow = dm->MainCat_Q.RecNo();
    shownSelection = dlg.Selection_Lab->text();
    leafParam = QString::fromStdString(dm->LeafCat_Q.Param("Cat_Code").AsText());
    d.hide();
    return int(QDialog::Accepted);
  };
  target = {};
  QVERIFY(RunCategoryPicker(dlg, *dm, target));
  QCOMPARE(mainRow, 1);                         // the keyboard moved the list...
  QCOMPARE(shownSelection, QStringLiteral("Selected: Agriculture"));  // ...not what OK applies
  QCOMPARE(leafParam, QStringLiteral("Agri"));  // ...but not the leaves
  QCOMPARE(target.text, QStringLiteral("Agriculture"));
  QCOMPARE(target.condition, first);
}

void WindowsTest::pickerCancelAndEmptyOk() {
  TComanyCat_Dlg dlg(*dm);
  CategoryTarget target{QStringLiteral("old"), QStringLiteral("old"), QStringLiteral(" old condition"), false};
  ModalSeam() = [&](QDialog&) { return int(QDialog::Accepted); };
  QVERIFY(RunCategoryPicker(dlg, *dm, target));  // OK without any click
  QCOMPARE(target.text, QString());
  QCOMPARE(target.hint, QString());
  QCOMPARE(target.condition, QStringLiteral(" old condition"));
  QVERIFY(!target.ticked);

  ModalSeam() = [&](QDialog& d) {
    d.show();
    ClickCell(dlg.MainCat_DBGrid, 1, 0);
    d.hide();
    return int(QDialog::Rejected);
  };
  QVERIFY(!RunCategoryPicker(dlg, *dm, target));
  QCOMPARE(target.text, QString());  // cancel changes nothing...
  ModalSeam() = [&](QDialog&) { return int(QDialog::Accepted); };
  QVERIFY(RunCategoryPicker(dlg, *dm, target));
  QCOMPARE(target.text, QStringLiteral("Agriculture"));  // ...but the click was kept
  QVERIFY(target.ticked);
}

void WindowsTest::pickerDoubleClickAccepts() {
  TComanyCat_Dlg dlg(*dm);
  CategoryTarget target;
  ModalSeam() = [&](QDialog& d) {
    d.show();
    ClickCell(dlg.SubCat_DBGrid, 0, 1, true);  // Aboriginal Crafts of the start category
    const int result = d.result();
    d.hide();
    return result;
  };
  QVERIFY(RunCategoryPicker(dlg, *dm, target));
  QCOMPARE(target.text, QStringLiteral("Aboriginal Businesses/Aboriginal Crafts"));
  QCOMPARE(target.condition,
           QStringLiteral(" Company_ID in (select Company_ID from Company_SubCat where  SubCat_Code='1_1')"));
}

void WindowsTest::mapWindowMissingPicture() {
  TMap_Frm frm(QString::fromStdString(folder.Path()));  // no map.jpg there
  QCOMPARE(frm.windowTitle(), QStringLiteral("Canada Map"));
  QCOMPARE(frm.size(), QSize(400, 314));  // 500 x 393 designed at 120 dpi
  QCOMPARE(frm.minimumSize(), frm.maximumSize());
  const QRect screen = frm.screen()->geometry();
  QCOMPARE(frm.pos(), QPoint((screen.width() - 400) / 2, (screen.height() - 314) / 2));
  QCOMPARE(frm.ChoiceAt(QPoint(10, 10)).kind, MapChoice::Kind::None);
}

void WindowsTest::mapWindowCreatedOnce() {
  const QString where = QString::fromStdString(folder.Path());
  QImage picture(320, 240, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  QVERIFY(picture.save(where + QStringLiteral("MAP.JPG"), "JPG"));  // found whatever its case
  TMap_Frm* first = ShowMapWindow(nullptr, where);
  QVERIFY(first && first->isVisible());
  QCOMPARE(first->size(), QSize(320, 240));
  QCOMPARE(first->Map_Img->pixmap().deviceIndependentSize(), QSizeF(320, 240));
  first->move(40, 30);
  first->hide();  // closing only hides
  QImage other(100, 100, QImage::Format_RGB32);
  other.fill(Qt::red);
  QVERIFY(other.save(where + QStringLiteral("MAP.JPG"), "JPG"));
  TMap_Frm* second = ShowMapWindow(nullptr, QStringLiteral("/nowhere/"));
  QCOMPARE(second, first);
  QVERIFY(second->isVisible());
  QCOMPARE(second->pos(), QPoint(40, 30));
  QCOMPARE(second->size(), QSize(320, 240));  // not reloaded
}


// From the window tests' support: a point inside the map region choosing `what`.
QPoint PointOf(TMap_Frm& map, const QString& what);

void WindowsTest::mapFitsTheScreenAndStaysSharp() {
  const QString bin = QStringLiteral(ORBISK_BUILD_DIR "/bin/");
  TMap_Frm map(bin);
  // The shipped picture is at the size it shows; its @2x sibling has twice the pixels.
  const QSize pixels = QImageReader(bin + QStringLiteral("map.jpg")).size();
  QCOMPARE(QImageReader(bin + QStringLiteral("map@2x.jpg")).size(), pixels * 2);
  QVERIFY(pixels.width() + 16 <= 1366 && pixels.height() + 48 <= 768);  // fits a laptop with its frame
  const QSize room = map.screen()->availableGeometry().size() - QSize(16, 48);
  if (pixels.width() <= room.width() && pixels.height() <= room.height()) {
    QCOMPARE(map.size(), pixels);
  } else {  // a smaller screen (the headless one is 800 x 600): as large as fits
    QVERIFY(map.width() <= room.width() && map.height() <= room.height());
    QVERIFY(map.width() == room.width() || map.height() == room.height());
  }
  QVERIFY(std::abs(map.width() * pixels.height() - map.height() * pixels.width()) <= pixels.width());
  QCOMPARE(map.Map_Img->size(), map.size());
  QCOMPARE(map.Map_Img->pixmap().size(), map.size() * map.devicePixelRatioF());
  // Dense screens draw the @2x picture, others the plain one.
  QCOMPARE(map.PictureFor(1.0).size(), pixels);
  QCOMPARE(map.PictureFor(1.25).size(), pixels * 2);
  QCOMPARE(map.PictureFor(2.0).size(), pixels * 2);
  // A picture larger than the screen shrinks to fit it, keeping its shape.
  const QString where = QString::fromStdString(folder.Path());
  QImage huge(4000, 2000, QImage::Format_RGB32);
  huge.fill(Qt::darkGreen);
  huge.setDotsPerMeterX(3780);
  huge.setDotsPerMeterY(3780);
  QVERIFY(huge.save(where + QStringLiteral("map.jpg"), "JPG"));
  TMap_Frm big(where);
  QVERIFY2(big.width() <= room.width() && big.height() <= room.height(),
           qPrintable(QStringLiteral("%1x%2").arg(big.width()).arg(big.height())));
  QVERIFY(std::abs(big.width() - 2 * big.height()) <= 2);
}

void WindowsTest::mapShowsPictureAtItsOwnSize() {
  const QString where = QString::fromStdString(folder.Path());
  RemoveMapFiles(where);
  // A user's picture that claims 300 dots per inch still shows pixel for pixel.
  QImage dense(600, 472, QImage::Format_RGB32);
  dense.fill(Qt::darkCyan);
  dense.setDotsPerMeterX(11811);
  dense.setDotsPerMeterY(11811);
  QVERIFY(dense.save(where + QStringLiteral("map.jpg"), "JPG"));
  QCOMPARE(QImageReader(where + QStringLiteral("map.jpg")).read().dotsPerMeterX(), 11811);
  {
    TMap_Frm map(where);
    QCOMPARE(map.size(), QSize(600, 472));
    QCOMPARE(map.Map_Img->size(), QSize(600, 472));
    // Without a @2x sibling the one picture serves every screen.
    QCOMPARE(map.PictureFor(2.0).size(), QSize(600, 472));
    QVERIFY(!map.TakesClicks());
  }
  // A sibling that is not exactly twice the size is not the picture's @2x.
  QImage odd(1000, 800, QImage::Format_RGB32);
  odd.fill(Qt::red);
  QVERIFY(odd.save(where + QStringLiteral("map@2x.jpg"), "JPG"));
  {
    TMap_Frm map(where);
    QCOMPARE(map.PictureFor(2.0).size(), QSize(600, 472));
  }
  QImage twice(1200, 944, QImage::Format_RGB32);
  twice.fill(Qt::red);
  QVERIFY(twice.save(where + QStringLiteral("MAP@2X.JPG"), "JPG"));  // found whatever its case
  QVERIFY(QFile::remove(where + QStringLiteral("map@2x.jpg")));
  TMap_Frm map(where);
  QCOMPARE(map.size(), QSize(600, 472));
  QCOMPARE(map.PictureFor(2.0).size(), QSize(1200, 944));
  QCOMPARE(QColor(map.PictureFor(2.0).pixel(600, 472)).red() > 200, true);
}

void WindowsTest::mapRegionsBelongToTheirPicture() {
  const QString bin = QStringLiteral(ORBISK_BUILD_DIR "/bin/");
  const QString where = QString::fromStdString(folder.Path());
  RemoveMapFiles(where);
  for (const char* name : {"map.jpg", "map@2x.jpg", "map_regions.png", "map_regions.txt"})
    QVERIFY(QFile::copy(bin + QLatin1String(name), where + QLatin1String(name)));
  const QSize pixels = QImageReader(where + QStringLiteral("map.jpg")).size();
  auto chooses = [](TMap_Frm& map, const QString& what) {
    const QPoint at = PointOf(map, what);
    if (at.isNull()) return false;
    const MapChoice c = map.ChoiceAt(at);
    return c.kind != MapChoice::Kind::None && what.endsWith(QLatin1Char('|') + c.value);
  };
  {
    TMap_Frm shipped(where);  // the shipped files, copied elsewhere: clicks work
    QVERIFY(shipped.TakesClicks());
    QVERIFY(chooses(shipped, QStringLiteral("Location|Ontario")));
    QVERIFY(chooses(shipped, QStringLiteral("TelAreaCode|416")));
  }
  auto replace = [&](const QString& name, const QSize& size, QColor colour) {
    QImage plain(size, QImage::Format_RGB32);
    plain.fill(colour);
    QFile::remove(where + name);
    return plain.save(where + name, "JPG");
  };
  // A plain blue picture of the same size in its place is a picture only.
  QVERIFY(replace(QStringLiteral("map.jpg"), pixels, Qt::blue));
  {
    TMap_Frm blue(where);
    blue.show();
    QVERIFY(QTest::qWaitForWindowExposed(&blue));
    QVERIFY(!blue.TakesClicks());
    QList<QString> chosen;
    blue.OnChoose = [&](const MapChoice& c) { chosen.append(c.value); };
    const QPoint ontario = PointOf(blue, QStringLiteral("Location|Ontario"));
    const QPoint code = PointOf(blue, QStringLiteral("TelAreaCode|416"));
    QVERIFY(!ontario.isNull() && !code.isNull());
    for (const QPoint& at : {ontario, code}) {
      QMouseEvent move(QEvent::MouseMove, QPointF(at), blue.Map_Img->mapToGlobal(QPointF(at)), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(blue.Map_Img, &move);
      QCOMPARE(blue.Map_Img->toolTip(), QString());
      QCOMPARE(blue.Map_Img->cursor().shape(), Qt::ArrowCursor);
      QTest::mouseClick(blue.Map_Img, Qt::LeftButton, {}, at);
    }
    QVERIFY(chosen.isEmpty());
    QCOMPARE(blue.size().width() <= pixels.width(), true);
  }
  // The shipped map with another picture as its @2x sibling takes no clicks either.
  QVERIFY(QFile::remove(where + QStringLiteral("map.jpg")));
  QVERIFY(QFile::copy(bin + QStringLiteral("map.jpg"), where + QStringLiteral("map.jpg")));
  QVERIFY(replace(QStringLiteral("map@2x.jpg"), pixels * 2, Qt::blue));
  {
    TMap_Frm other2x(where);
    QVERIFY(!other2x.TakesClicks());
  }
  // Without its @2x sibling the shipped map still takes clicks.
  QVERIFY(QFile::remove(where + QStringLiteral("map@2x.jpg")));
  {
    TMap_Frm alone(where);
    QVERIFY(alone.TakesClicks());
    QVERIFY(chooses(alone, QStringLiteral("Location|Quebec")));
  }
  // Regions that do not say which picture they belong to count for none.
  QFile key(where + QStringLiteral("map_regions.txt"));
  QVERIFY(key.open(QIODevice::ReadOnly));
  QStringList lines = QString::fromUtf8(key.readAll()).split(QLatin1Char('\n'));
  key.close();
  lines.erase(std::remove_if(lines.begin(), lines.end(),
                             [](const QString& l) { return l.startsWith(QLatin1String("picture")); }),
              lines.end());
  QVERIFY(key.open(QIODevice::WriteOnly | QIODevice::Truncate));
  key.write(lines.join(QLatin1Char('\n')).toUtf8());
  key.close();
  TMap_Frm unmarked(where);
  QVERIFY(!unmarked.TakesClicks());
  QVERIFY(!chooses(unmarked, QStringLiteral("Location|Ontario")));
}

void WindowsTest::mapClicksChooseProvincesAndCodes() {
  TMap_Frm map(QStringLiteral(ORBISK_BUILD_DIR "/bin/"));
  map.show();
  QVERIFY(QTest::qWaitForWindowExposed(&map));
  QList<QString> chosen;
  map.OnChoose = [&](const MapChoice& c) {
    chosen.append((c.kind == MapChoice::Kind::Location ? QStringLiteral("Location|") : QStringLiteral("TelAreaCode|")) +
                  c.value);
  };
  const QStringList targets = {QStringLiteral("Location|Ontario"), QStringLiteral("Location|Nunavut"),
                               QStringLiteral("Location|Yukon Territory"), QStringLiteral("Location|Prince Edward Island"),
                               QStringLiteral("TelAreaCode|416"), QStringLiteral("TelAreaCode|867")};
  for (const QString& what : targets) {
    const QPoint at = PointOf(map, what);
    QVERIFY2(!at.isNull(), qPrintable(what));
    QTest::mouseMove(map.Map_Img, at);
    QTest::mouseClick(map.Map_Img, Qt::LeftButton, {}, at);
  }
  QCOMPARE(chosen, targets);
  // The pointer says what a click does, and only over a region.
  const QPoint code = PointOf(map, QStringLiteral("TelAreaCode|416"));
  QMouseEvent move(QEvent::MouseMove, QPointF(code), map.Map_Img->mapToGlobal(QPointF(code)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(map.Map_Img, &move);
  QCOMPARE(map.Map_Img->toolTip(), QStringLiteral("Puts \"416\" into Tel Area Code"));
  QCOMPARE(map.Map_Img->cursor().shape(), Qt::PointingHandCursor);
  QMouseEvent sea(QEvent::MouseMove, QPointF(4, 60), map.Map_Img->mapToGlobal(QPointF(4, 60)), Qt::NoButton,
                  Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(map.Map_Img, &sea);
  QCOMPARE(map.Map_Img->toolTip(), QString());
  QCOMPARE(map.Map_Img->cursor().shape(), Qt::ArrowCursor);
  // A right click and a click on the sea choose nothing.
  QTest::mouseClick(map.Map_Img, Qt::RightButton, {}, PointOf(map, QStringLiteral("Location|Quebec")));
  QTest::mouseClick(map.Map_Img, Qt::LeftButton, {}, QPoint(4, 60));
  QCOMPARE(chosen.size(), targets.size());
}

void WindowsTest::aboutWindow() {
  TAbout_Frm frm;
  QCOMPARE(frm.windowTitle(), QStringLiteral("About Orbisk "));
  QCOMPARE(frm.Version_Lab->text(), QStringLiteral("Version  1.0"));
  QCOMPARE(frm.SoftName_Lab->text(), QStringLiteral("Orbisk"));
  for (QLabel* l : {frm.TotalMem_Lab, frm.AvailabeMem_Lab}) {
    QVERIFY2(l->text().endsWith(QStringLiteral(" KB")), qPrintable(l->text()));
    QVERIFY(!l->text().contains(QStringLiteral(".00")));
    QVERIFY(l->text().at(0).isDigit());
    QVERIFY2(l->text() != QStringLiteral("0 KB"), "the machine has memory");
  }
  QVERIFY(frm.WindowsVersion_Lab->text().contains(QStringLiteral(" (Build ")));
  QCOMPARE(frm.URL_Lab->toolTip(), QStringLiteral("Home Page"));
  QCOMPARE(frm.Support_Lab->toolTip(), QStringLiteral("Online Support"));
  QCOMPARE(frm.Image->pixmap().size(), QSize(160, 300));
  frm.show();
  QCOMPARE(frm.height(), 300);
  QCOMPARE(frm.minimumSize(), frm.maximumSize());
  for (const QLabel* l : frm.findChildren<QLabel*>())  // nothing cut off
    QVERIFY2(frm.rect().contains(l->geometry()), qPrintable(l->objectName() + l->text()));

  QTest::mouseClick(frm.Image, Qt::LeftButton);
  QTest::mouseClick(frm.URL_Lab, Qt::LeftButton);
  QTest::mouseClick(frm.Support_Lab, Qt::LeftButton);
  QCOMPARE(opened, (QStringList{"https://www.orbisk.ca|", "https://www.orbisk.ca|", "mailto:support@orbisk.ca|"}));
  QSignalSpy done(&frm, &QDialog::accepted);
  frm.OK_Btn->click();
  QCOMPARE(done.count(), 1);

  int openings = 0;
  ModalSeam() = [&](QDialog& d) -> int {
    if (qobject_cast<TAbout_Frm*>(&d)) ++openings;
    return QDialog::Accepted;
  };
  ShowAboutWindow();
  ShowAboutWindow();
  QCOMPARE(openings, 2);
}

void WindowsTest::aboutMemoryText() {
  QCOMPARE(AboutMemoryText(QStringLiteral("262,144.00")), QStringLiteral("262,144 KB"));
  QCOMPARE(AboutMemoryText(QStringLiteral("1.50")), QStringLiteral("1.50 KB"));
  QCOMPARE(AboutMemoryText(QStringLiteral("262144,00")), QStringLiteral("262144,00 KB"));
  // A point that groups thousands is part of the figure, not its decimals.
  QCOMPARE(AboutMemoryText(QStringLiteral("1.000.000,00")), QStringLiteral("1.000.000,00 KB"));
  QCOMPARE(AboutMemoryText(QStringLiteral("1,000.00")), QStringLiteral("1,000 KB"));
}

QTEST_MAIN(WindowsTest)
#include "Windows_test.moc"
