// Shows each window in turn over the small test directory, for a look on a
// real (virtual) screen: windows_demo <company|contact|category|category-filter|map|about|export|chooser>.
// category-filter [TEXT [DIRECTORY]] types TEXT into the picker's filter, over DIRECTORY if given.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "../core/TestDirectory.h"
#include "about/HelpAbout.h"
#include "browse/dlgCompany.h"
#include "browse/dlgContact.h"
#include "export/ExportTypes.h"
#include "export/dlgSelectExportType.h"
#include "search/dlgCat.h"
#include "search/frmMap.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("company");

  const int tab = argc > 2 && which == QLatin1String("company") ? std::atoi(argv[2]) : 0;
  orbisk::testing::TempFolder folder;
  orbisk::testing::WriteSmallDirectory(folder.Path());
  if (which == QLatin1String("category-filter") && argc > 3)
    std::filesystem::copy_file(argv[3], folder.Path() + "Database/corpdir.mdb",
                               std::filesystem::copy_options::overwrite_existing);
  // The shipped map with its dense-screen picture and its click regions.
  for (const char* name : {"map.jpg", "map@2x.jpg", "map_regions.png", "map_regions.txt"})
    if (std::filesystem::exists(std::string(ORBISK_BUILD_DIR "/bin/") + name))
      std::filesystem::copy_file(std::string(ORBISK_BUILD_DIR "/bin/") + name, folder.Path() + name);
  orbisk::TDM dm;
  dm.DataModuleCreate(folder.Path());
  dm.Company_Q.SetSQL("select * from Company_Info order by Company_ID");
  dm.Company_Q.Open();
  dm.Contact_Q.SetSQL(
      "select c.*, i.Company_Name, i.Location_Address from Company_Contact c, Company_Info i"
      " where c.Company_ID = i.Company_ID order by c.Record_ID");
  dm.Contact_Q.Open();
  // Closes the window on screen after the screenshot has been taken.
  QTimer::singleShot(6000, &app, [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QDialog*>(w)) d->done(QDialog::Accepted);
    QApplication::quit();
  });
  if (which == QLatin1String("company")) {
    TCompany_Dlg dlg(dm);
    dlg.CompanyInfo_PC->setCurrentIndex(tab);
    dlg.OpenCompanyDetails();
  } else if (which == QLatin1String("contact")) {
    TContact_Dlg dlg(dm);
    dlg.OpenContactWindow();
  } else if (which == QLatin1String("category")) {
    TComanyCat_Dlg dlg(dm);
    CategoryTarget target;
    RunCategoryPicker(dlg, dm, target);
    std::cout << target.text.toStdString() << "\n";
  } else if (which == QLatin1String("category-filter")) {
    TComanyCat_Dlg dlg(dm);
    const QString text = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("wholesale");
    QTimer::singleShot(1500, &dlg, [&dlg, &dm, text] {
      dm.MainCat_Q.MoveTo(dm.MainCat_Q.RecordCount() / 2);
      dm.OpenLeafCategories(dm.MainCat_Q.FieldByName("Cat_Code").AsString());
      dlg.SubCatFilter_Edt->setText(text);
    });
    CategoryTarget target;
    RunCategoryPicker(dlg, dm, target);
  } else if (which == QLatin1String("map")) {
    ShowMapWindow(nullptr, QString::fromStdString(folder.Path()));
    return app.exec();
  } else if (which == QLatin1String("export")) {
    TExportType_Dlg dlg;
    dlg.exec();
  } else if (which == QLatin1String("chooser")) {
    // The file chooser of the export dialog with the Excel type selected.
    TExportType_Dlg dlg;
    dlg.ExportType_Buttons->button(orbisk::etExcel)->setChecked(true);
    dlg.OpenDialog->setDirectory(QString::fromStdString(folder.Path() + "Database"));
    dlg.OpenDialog->exec();
  } else {
    ShowAboutWindow();
  }
  return 0;
}
