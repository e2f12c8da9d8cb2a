#pragma once
// The data module: the one connection to the directory and every query the
// windows show or export. Windows reach the queries only through it.
#include <functional>
#include <string>

#include "data/Connection.h"
#include "data/Query.h"

namespace orbisk {

// What a bound control shows: the query of the same stem.
struct DataSource {
  Query* DataSet = nullptr;
};

class TDM {
 public:
  TDM();
  ~TDM();
  TDM(const TDM&) = delete;
  TDM& operator=(const TDM&) = delete;

  // Builds the connection string for the directory beside the program; opens nothing.
  void DataModuleCreate(const std::string& programFolder);

  void OpenLeafCategories(const std::string& code);
  void ReopenCompanyDetails();

  Connection ADOConnection;
  Query MainCat_Q{"MainCat_Q"};
  Query LeafCat_Q{"LeafCat_Q"};
  Query Company_Q{"Company_Q"};
  Query CompanyContact_Q{"CompanyContact_Q"};
  Query PSL_Q{"PSL_Q"};
  Query Contact_Q{"Contact_Q"};
  Query OneCompany_Q{"OneCompany_Q"};

  DataSource MainCat_DS{&MainCat_Q};
  DataSource LeafCat_DS{&LeafCat_Q};
  DataSource Company_DS{&Company_Q};
  DataSource CompanyContact_DS{&CompanyContact_Q};
  DataSource PSL_DS{&PSL_Q};
  DataSource Contact_DS{&Contact_Q};
  DataSource OneCompany_DS{&OneCompany_Q};

  // The main window's status text for the current record; set by the window.
  std::function<void(Query&)> ShowCurrentRecord;

  void Company_QAfterOpen(Query& q);
  void Company_QAfterScroll(Query& q);
  void Contact_QAfterScroll(Query& q);
  static void RecNoCalcFields(Query& q);  // the four calc-fields handlers

 private:
  void OpenDetail(Query& detail);
  // The current company's Company_ID in OneCompany_Q (null without one).
  Value MasterKey() const;
  int masterLink_ = 0;
};

// The declared fields of the two result queries and of the single-company query.
std::vector<FieldDef> CompanyQueryFields();
std::vector<FieldDef> ContactQueryFields();
std::vector<FieldDef> OneCompanyQueryFields();

}  // namespace orbisk
