#include "data/uDM.h"

#include "data/ProgramFiles.h"
#include "data/Schema.h"

namespace orbisk {

namespace {

FieldDef Text(const char* name, int size, int tag = 0, int width = 0) {
  return {name, ftWideString, size, tag, width, false, {}};
}
FieldDef Int(const char* name, int tag = 0) { return {name, ftInteger, 0, tag, 0, false, {}}; }
FieldDef Small(const char* name) { return {name, ftSmallint, 0, 0, 0, false, {}}; }
FieldDef RecNoField(int tag) { return {"RecNo", ftInteger, 0, tag, 0, true, {}}; }

}  // namespace

std::vector<FieldDef> CompanyQueryFields() {
  return {Int("Company_ID"),           RecNoField(-1),
          Text("Company_Name", 80),    Text("Location_Address", 255),
          Text("Location_Address_Postal", 8), Text("TelAreaCode", 10),
          Text("Telephone", 40),       Text("Toll_Free_Phone", 40),
          Text("Fax", 100),            Text("Email", 100),
          Text("Website_URL", 255),    Text("Exporting", 32),
          Small("Year_Established"),   Small("Number_of_Employees")};
}

std::vector<FieldDef> ContactQueryFields() {
  return {RecNoField(-1),
          {"Record_ID", ftAutoInc, 0, -1, 13, false, {}},
          Text("Company_Name", 80, 0, 61),
          Text("Location_Address", 255, 0, 319),
          Text("Name", 60, 0, 75),
          Text("Title", 60, 0, 75),
          Text("Area", 80, 0, 100),
          Text("Telephone", 60, 0, 75),
          Text("Fax", 60, 0, 75),
          Text("Email", 80, 0, 100)};
}

std::vector<FieldDef> OneCompanyQueryFields() {
  // The columns of Company_Info from Company_ID to Number_of_Employees.
  std::vector<FieldDef> defs;
  for (const auto& col : FindDirectoryTable("Company_Info")->columns) {
    FieldDef d;
    d.name = col.name;
    d.type = FieldTypeOf(col.type);
    d.size = col.type.size;
    d.tag = col.name == "Company_Description" ? -1 : 0;
    defs.push_back(d);
    if (col.name == "Number_of_Employees") break;
  }
  return defs;
}

TDM::TDM() {
  for (Query* q : {&MainCat_Q, &LeafCat_Q, &Company_Q, &CompanyContact_Q, &PSL_Q, &Contact_Q, &OneCompany_Q})
    q->SetConnection(&ADOConnection);

  MainCat_Q.SetSQL("select * from Main_Category");
  MainCat_Q.SetPrepared(true);
  MainCat_Q.DeclareFields({RecNoField(0), Text("RecordID", 40), Text("Cat_Name", 32), Text("Cat_Code", 8)});
  MainCat_Q.OnCalcFields = RecNoCalcFields;

  LeafCat_Q.SetSQL("select * from All_Leaf_SubCat\r\nwhere MainCat_Code = :Cat_Code\r\nand IsValid='Y'");
  LeafCat_Q.SetPrepared(true);
  LeafCat_Q.SetParam("Cat_Code", Value("Abor"));
  {
    std::vector<FieldDef> f = {RecNoField(0), Text("SubCat_Code", 10), Text("SubCat_Text", 120),
                               Text("IsValid", 1), Text("SubCat_Type", 1), Int("SubCat_Level"),
                               Text("MainCat_Code", 10), Text("MainCat_Text", 60), Text("Cat1_Code", 60),
                               Text("Cat1_Text", 60)};
    static const char* const levels[][2] = {{"Cat2_Code", "Cat2_Text"}, {"Cat3_Code", "Cat3_Text"},
                                            {"Cat4_Code", "Cat4_Text"}, {"Cat5_Code", "Cat5_Text"},
                                            {"Cat6_Code", "Cat6_Text"}};
    for (auto& l : levels) {
      f.push_back(Text(l[0], 10));
      f.push_back(Text(l[1], 60));
    }
    LeafCat_Q.DeclareFields(std::move(f));
  }
  LeafCat_Q.OnCalcFields = RecNoCalcFields;

  Company_Q.DeclareFields(CompanyQueryFields());
  Company_Q.OnCalcFields = RecNoCalcFields;
  Company_Q.AfterOpen = [this](Query& q) { Company_QAfterOpen(q); };
  Company_Q.AfterScroll = [this](Query& q) { Company_QAfterScroll(q); };

  CompanyContact_Q.SetSQL("Select * from Company_Contact\r\nwhere Company_ID = :Company_ID\r\n");
  CompanyContact_Q.SetPrepared(true);
  PSL_Q.SetSQL("Select * from Company_ProductServiceLicensing\r\nwhere Company_ID = :Company_ID\r\n");
  PSL_Q.SetPrepared(true);

  Contact_Q.DeclareFields(ContactQueryFields());
  Contact_Q.OnCalcFields = RecNoCalcFields;
  Contact_Q.AfterScroll = [this](Query& q) { Contact_QAfterScroll(q); };

  OneCompany_Q.SetSQL("select * from Company_Info\r\nwhere Company_ID = :Company_ID");
  OneCompany_Q.SetPrepared(true);
  OneCompany_Q.DeclareFields(OneCompanyQueryFields());

  // The details follow the current company: when it changes while they are open,
  // they re-run with its Company_ID. Like any bound control the link is quiet while
  // OneCompany_Q's controls are disabled; once they are enabled again, details
  // already run for the company stay as they are.
  masterLink_ = OneCompany_Q.AddObserver([this](Query&, QueryEvent e) {
    if (e == QueryEvent::Closed || e == QueryEvent::WalkBegan || e == QueryEvent::Reordering) return;
    const Value key = MasterKey();
    for (Query* d : {&CompanyContact_Q, &PSL_Q})
      if (d->Active() && !(d->Param("Company_ID") == key)) {
        d->Close();
        OpenDetail(*d);
      }
  });
}

TDM::~TDM() { OneCompany_Q.RemoveObserver(masterLink_); }

void TDM::DataModuleCreate(const std::string& programFolder) {
  ADOConnection.SetConnectionString(DirectoryConnectionString(programFolder));
}

void TDM::DataModuleCreate(const std::string&, const std::string& directoryFile) {
  ADOConnection.SetConnectionString(ConnectionStringForFile(directoryFile));
}

Value TDM::MasterKey() const {
  if (!OneCompany_Q.Active()) return Value();
  const Field* id = OneCompany_Q.FindField("Company_ID");
  return OneCompany_Q.IsEmpty() || !id ? Value() : id->AsValue();
}

void TDM::OpenDetail(Query& detail) {
  if (OneCompany_Q.Active()) detail.SetParam("Company_ID", MasterKey());
  detail.Open();
}

void TDM::OpenLeafCategories(const std::string& code) {
  // The list already shows that main category only while it is open: a query
  // that was never opened, or whose last opening failed, runs again.
  const Value& current = LeafCat_Q.Param("Cat_Code");
  if (LeafCat_Q.Active() && !current.IsNull() && current.AsText() == code) return;
  LeafCat_Q.DisableControls();
  try {
    LeafCat_Q.SetParam("Cat_Code", Value(code));
    LeafCat_Q.Close();
    LeafCat_Q.Open();
  } catch (...) {
    LeafCat_Q.EnableControls();
    throw;
  }
  LeafCat_Q.EnableControls();
}

void TDM::ReopenCompanyDetails() {
  CompanyContact_Q.Close();
  OpenDetail(CompanyContact_Q);
  PSL_Q.Close();
  OpenDetail(PSL_Q);
}

void TDM::Company_QAfterOpen(Query&) { ReopenCompanyDetails(); }

void TDM::Company_QAfterScroll(Query& q) {
  if (ShowCurrentRecord) ShowCurrentRecord(q);
}

void TDM::Contact_QAfterScroll(Query& q) {
  if (ShowCurrentRecord) ShowCurrentRecord(q);
}

void TDM::RecNoCalcFields(Query& q) {
  q.FieldByName("RecNo").SetCalcValue(Value(ClampRecNo(q.CalcPosition())));
}

}  // namespace orbisk
