#pragma once
// The search panel's conditions: one row per condition, each with its tick
// box, its operator and its value, plus the row limit and the sort choice.
// A search reads the panel as a plain SearchPanel; the lists carry their
// meaning (an operator, a limit, a sort) beside the text they show.
#include <QGroupBox>
#include <QList>
#include <QString>

#include "search/SearchBuilders.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
struct CategoryTarget;
struct MapChoice;

class TSearchPanel_Frm : public QGroupBox {
  Q_OBJECT
 public:
  // Made inside its parent, whose font it takes for its sizes.
  explicit TSearchPanel_Frm(QWidget* parent);

  // The panel as it stands, as a search reads it.
  orbisk::SearchPanel CurrentPanel() const;

  // The category row as the picker takes it and gives it back.
  CategoryTarget Category() const;
  void SetCategory(const CategoryTarget& chosen);
  // A click on the map fills its row and ticks it; an area code the list
  // does not hold changes nothing.
  void ApplyMapChoice(const MapChoice& choice);

  // The panel's controls in the order the Tab key visits them.
  QList<QWidget*> TabChain() const;

  // The condition text of the chosen category; empty until one is chosen.
  QString CategoryCondition;

  QCheckBox* Top_Chk = nullptr;
  QComboBox* Top_Cbo = nullptr;
  QCheckBox* IgnoreAccents_Chk = nullptr;
  QCheckBox* Category_Chk = nullptr;
  QLineEdit* C_Cat_Edt = nullptr;
  QLineEdit* Category_Edt = nullptr;
  QPushButton* SelectCat_Btn = nullptr;
  QCheckBox* Location_Chk = nullptr;
  QLineEdit* C_Location_Edt = nullptr;
  QComboBox* Location_Cbo = nullptr;
  QCheckBox* TelAreaCode_Chk = nullptr;
  QComboBox* C_TelAreaCode_Cbo = nullptr;
  QComboBox* TelAreaCode_Cbo = nullptr;
  QPushButton* Map_Btn = nullptr;
  QCheckBox* PostalCode_Chk = nullptr;
  QComboBox* C_PostCode_Cbo = nullptr;
  QLineEdit* PostCode_Edt = nullptr;
  QCheckBox* CompanyName_Chk = nullptr;
  QLineEdit* C_CompanName_Edt = nullptr;
  QLineEdit* CompanyName_Edt = nullptr;
  QCheckBox* PSL_Chk = nullptr;
  QLineEdit* C_PSL_Edt = nullptr;
  QLineEdit* PSL_Edt = nullptr;
  QCheckBox* NumberofEmployees_Chk = nullptr;
  QComboBox* C_NumberOfEmployees_Cbo = nullptr;
  QLineEdit* NumberofEmployees_Edt = nullptr;
  QCheckBox* YearEstablished_Chk = nullptr;
  QComboBox* C_YearEstablished_Cbo = nullptr;
  QLineEdit* YearEstablished_Edt = nullptr;
  QCheckBox* WithURL_Chk = nullptr;
  QCheckBox* WithEmail_Chk = nullptr;
  QCheckBox* WithContactEmail_Chk = nullptr;
  QComboBox* OrderBy_Cbo = nullptr;

 signals:
  void categoryRequested();  // "..." pressed
  void mapRequested();       // "Map..." pressed

 private:
  void CreateRows();
  void FixSizes();
  void SetAccessibleNames();
  void ConnectAutoTicks();
};
