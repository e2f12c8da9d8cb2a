#include "SampleModel.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>

#include "CategoryTree.h"
#include "SampleRandom.h"
#include "SampleText.h"
#include "SampleWords.h"

namespace orbisk::gensample {

namespace {

// One random sequence per table pass (and per company within it).
enum Stream : uint64_t { kIds = 1, kCore, kInfo, kContacts, kProducts, kCategories };

// What every table of a company agrees on.
struct CompanyCore {
  int32_t id = 0, profileId = 0;
  size_t sector = 0, province = 0, city = 0;
  bool french = false;
  std::string name, domain, areaCode, phone;
  std::optional<std::string> fax;
  std::optional<int> year, employees;
  std::optional<std::string> exporting;  // "Yes" / "No"
};

struct Offering {
  std::string_view item;  // the plain product or service, for prose
  std::string type, name, isExporting;
};

const SchemaTable& Table(std::string_view name) {
  const SchemaTable* t = FindDirectoryTable(name);
  if (!t) throw std::logic_error("no table " + std::string(name));
  return *t;
}

template <class T>
std::vector<int> WeightsOf(const std::vector<T>& items) {
  std::vector<int> w;
  for (const auto& item : items) w.push_back(item.weight);
  return w;
}

Cell TextOrNull(const std::optional<std::string>& v) { return v ? Cell::Text(*v) : Cell::Null(); }
Cell IntegerOrNull(const std::optional<int>& v) { return v ? Cell::Integer(*v) : Cell::Null(); }

int YearEstablished(SampleRandom& rng) {
  switch (rng.Weighted({4, 10, 24, 62})) {
    case 0: return rng.Between(1850, 1899);
    case 1: return rng.Between(1900, 1949);
    case 2: return rng.Between(1950, 1979);
    default: return rng.Between(1980, 2005);
  }
}

int EmployeeCount(SampleRandom& rng) {
  switch (rng.Weighted({35, 35, 18, 9, 3})) {
    case 0: return rng.Between(1, 9);
    case 1: return rng.Between(10, 49);
    case 2: return rng.Between(50, 199);
    case 3: return rng.Between(200, 999);
    default: return rng.Between(1000, 5000);
  }
}

std::vector<CompanyCore> MakeCores(const SampleOptions& options) {
  const auto provinceWeights = WeightsOf(Provinces());
  const auto sectorWeights = WeightsOf(Sectors());
  SampleRandom ids(options.seed, kIds, 0);
  std::vector<CompanyCore> cores(static_cast<size_t>(options.companies));
  int32_t id = 1000;
  for (size_t i = 0; i < cores.size(); ++i) {
    CompanyCore& c = cores[i];
    // Identifiers rise with gaps, as in a directory whose companies come and go.
    id += 1 + (ids.Percent(15) ? static_cast<int32_t>(ids.Below(5)) : 0);
    c.id = id;
    c.profileId = 20000 + static_cast<int32_t>(i) * 3 + static_cast<int32_t>(ids.Below(3));
    SampleRandom r(options.seed, kCore, i);
    // The first twelve companies lie one in each province, so even a small
    // directory has them all.
    c.province = i < Provinces().size() ? i : r.Weighted(provinceWeights);
    const Province& p = Provinces()[c.province];
    c.sector = r.Weighted(sectorWeights);
    c.city = r.Below(static_cast<uint32_t>(p.cities.size()));
    const City& city = p.cities[c.city];
    c.french = r.Percent(p.frenchPercent);
    c.name = CompanyName(r, Sectors()[c.sector], city, c.french);
    c.domain = CompanyDomain(r, c.name, p.name == "Quebec");
    c.areaCode = std::string(r.Pick(city.areaCodes));
    c.phone = PhoneNumber(r, c.areaCode);
    if (r.Percent(75)) c.fax = PhoneNumber(r, c.areaCode);
    if (r.Percent(93)) c.year = YearEstablished(r);
    if (r.Percent(93)) c.employees = EmployeeCount(r);
    if (r.Percent(90)) c.exporting = r.Percent(40) ? "Yes" : "No";
  }
  return cores;
}

std::vector<Offering> Offerings(const SampleOptions& options, size_t index, const CompanyCore& core) {
  static const Words kDetails = {"custom", "wholesale", "bulk", "private label", "export grade"};
  SampleRandom r(options.seed, kProducts, index);
  const Sector& sector = Sectors()[core.sector];
  std::vector<std::pair<std::string_view, bool>> pool;  // name, is a service
  for (auto p : sector.products) pool.push_back({p, false});
  for (auto s : sector.services) pool.push_back({s, true});
  for (size_t i = 0; i + 1 < pool.size(); ++i)
    std::swap(pool[i], pool[i + r.Below(static_cast<uint32_t>(pool.size() - i))]);
  size_t count = std::min(pool.size(), r.Weighted({18, 14, 16, 14, 12, 9, 7, 5, 5}));
  std::vector<Offering> out;
  for (size_t i = 0; i < count; ++i) {
    Offering o;
    o.item = pool[i].first;
    std::string name(o.item);
    o.type = pool[i].second ? "Service" : "Product";
    switch (r.Weighted({80, 12, 5, 3})) {
      case 1: name += " (" + std::string(r.Pick(kDetails)) + ")"; break;
      case 2:
        o.type = "Licensing";
        name += " - technology licensing";
        break;
      case 3:
        name += " for industrial, commercial and institutional customers across Canada, the United States and "
                "overseas markets, with installation, training and after-sales support";
        break;
    }
    o.name = FitText(name, 255);
    o.isExporting = core.exporting == "Yes" && r.Percent(60) ? "Y" : "N";
    out.push_back(std::move(o));
  }
  return out;
}

std::string Thousands(int n) {
  std::string s = std::to_string(n);
  for (int at = static_cast<int>(s.size()) - 3; at > 0; at -= 3) s.insert(static_cast<size_t>(at), ",");
  return s;
}

Row CompanyInfoRow(RowBuilder& b, const SampleOptions& options, size_t index, const CompanyCore& c) {
  static const Words kCountries = {"Canada", "United States", "France", "United Kingdom", "Germany", "Japan"};
  static const Words kActivities = {"Manufacturer / Processor / Producer", "Service Provider",
                                    "Wholesaler / Distributor", "Retailer", "Trading House", "Manufacturer's Agent"};
  static const Words kCertifications = {"ISO 9001:2000", "ISO 14001:2004", "HACCP", "CSA", "CGSB", "AS9100",
                                        "QS-9000", "ISO 9001:2000, ISO 14001:2004"};
  static const Words kEnglishMailboxes = {"info", "sales", "contact", "office"};
  static const Words kFrenchMailboxes = {"info", "ventes", "admin", "courrier"};
  SampleRandom r(options.seed, kInfo, index);
  const Province& p = Provinces()[c.province];
  const City& city = p.cities[c.city];
  const Sector& sector = Sectors()[c.sector];
  const std::string place = ", " + std::string(city.name) + ", " + std::string(p.name);

  // Streets have French names where the province speaks French.
  const bool frenchStreets = c.french && (p.name == "Quebec" || p.name == "New Brunswick");
  const std::string location = StreetAddress(r, frenchStreets) + place;
  std::optional<std::string> locationPostal;
  if (r.Percent(97)) locationPostal = PostalCode(r, city.letters);
  std::optional<std::string> mailing, mailingPostal;
  switch (r.Weighted({68, 15, 10, 7})) {
    case 0:
      mailing = location;
      mailingPostal = locationPostal;
      break;
    case 1:
      mailing = PostBox(r, frenchStreets) + place;
      mailingPostal = PostalCode(r, city.letters);
      break;
    case 2:
      mailing = StreetAddress(r, frenchStreets) + place;
      mailingPostal = PostalCode(r, city.letters);
      break;
  }

  // Absent web and mail addresses are null; a few are stored as empty text.
  std::optional<std::string> website, email;
  switch (r.Weighted({66, 31, 3})) {
    case 0: {
      int form = static_cast<int>(r.Weighted({60, 35, 5}));
      website = (form == 0 ? "www." : "http://www.") + c.domain + (form == 2 ? "/index.html" : "");
      break;
    }
    case 2: website = ""; break;
  }
  switch (r.Weighted({72, 25, 3})) {
    case 0: {
      std::string box(r.Pick(c.french ? kFrenchMailboxes : kEnglishMailboxes));
      email = website && !website->empty() ? box + "@" + c.domain
                                           : AsciiSlug(c.name, 20) + "@" + std::string(ProviderDomain(r, p.name));
      break;
    }
    case 2: email = ""; break;
  }

  std::optional<std::string> certification;
  if (r.Percent(35)) certification = std::string(r.Pick(kCertifications));
  const std::vector<Offering> offered = Offerings(options, index, c);
  CompanyFacts facts{c.name, city.name, p.name, c.french, c.year, c.employees, {}, certification,
                     c.exporting == "Yes"};
  for (size_t i = 0; i < offered.size() && i < 3; ++i) facts.products.push_back(offered[i].item);

  b.Integer("Company_ID", c.id)
      .Text("Company_Name", c.name)
      .Set("Mailing_Address", TextOrNull(mailing))
      .Set("Mailing_Address_Postal", TextOrNull(mailingPostal))
      .Text("Location_Address", location)
      .Set("Location_Address_Postal", TextOrNull(locationPostal))
      .Text("Telephone", c.phone)
      .Set("Fax", TextOrNull(c.fax))
      .Set("Email", TextOrNull(email))
      .Set("Website_URL", TextOrNull(website))
      .Set("Exporting", TextOrNull(c.exporting))
      .Text("TelAreaCode", c.areaCode)
      .Set("Year_Established", IntegerOrNull(c.year))
      .Set("Number_of_Employees", IntegerOrNull(c.employees))
      .Integer("Profile_ID", c.profileId)
      .Set("Quality_Certification", TextOrNull(certification));
  if (r.Percent(90)) b.Text("Legal_Name", LegalName(r, c.name, p, c.french));
  if (r.Percent(30)) b.Text("Toll_Free_Phone", TollFreeNumber(r));
  if (r.Percent(90)) b.Text("Company_Description", Description(r, facts));
  switch (r.Weighted({45, 53, 2})) {
    case 0: b.Text("Market_Alliances", MarketAlliances(r, c.french)); break;
    case 2: b.Text("Market_Alliances", ""); break;
  }
  if (r.Percent(30)) b.Text("Market_Strategic_Alliances", StrategicAlliances(r));
  if (r.Percent(97)) b.Text("Country_of_Ownership", std::string(r.Percent(85) ? "Canada" : r.Pick(kCountries)));
  if (r.Percent(75)) b.Text("EDI_Ready", r.Percent(33) ? "Yes" : "No");
  if (r.Percent(90)) {
    const NaicsEntry& n = r.Pick(sector.naics);
    b.Text("Primary_Industry_NAICS", std::string(n.code)).Text("NAICS_Description", std::string(n.description));
  }
  if (r.Percent(92)) b.Text("Primary_Business_Activity", std::string(r.Pick(kActivities)));
  const int size = c.employees.value_or(10);
  if (r.Percent(70)) b.Text("Total_Sales_Unit", "$CDN").Text("Total_Sales", SalesRange(r, size));
  if (c.exporting == "Yes" && r.Percent(80))
    b.Text("Export_Sales_Unit", "$CDN").Text("Export_Sales", SalesRange(r, std::max(1, size / 4)));
  if (r.Percent(55)) {
    int area = size * r.Between(150, 600);
    b.Text("Total_Plant_Size", c.french ? std::to_string(area) + " pi²" : Thousands(area) + " sq. ft.");
  }
  if (r.Percent(45)) b.Text("Distribution_of_Employees", EmployeeDistribution(r));
  if (r.Percent(50)) b.Text("Key_Major_Clients", MajorClients(r, 100));
  return b.Finish();
}

void ContactRows(RowBuilder& b, DirectorySink& sink, const SampleOptions& options, size_t index,
                 const CompanyCore& c, int64_t& recordId) {
  static const Words kEnglishTitles = {"President", "Vice-President, Sales", "General Manager", "Owner",
                                       "Sales Manager", "Marketing Director", "Export Manager", "Controller",
                                       "Plant Manager", "Chief Executive Officer", "Purchasing Agent"};
  static const std::vector<std::pair<std::string_view, std::string_view>> kFrenchTitles = {
      {"Président", "Présidente"}, {"Directeur général", "Directrice générale"},
      {"Directeur des ventes", "Directrice des ventes"}, {"Vice-président, marketing", "Vice-présidente, marketing"},
      {"Responsable des exportations", "Responsable des exportations"}, {"Contrôleur", "Contrôleuse"},
      {"Propriétaire", "Propriétaire"}};
  static const Words kEnglishAreas = {"Sales", "Marketing", "Management", "Export", "Administration", "Production",
                                      "Finance", "Purchasing", "Technical Support", "Customer Service",
                                      "Research and Development"};
  static const Words kFrenchAreas = {"Ventes", "Marketing", "Direction", "Exportation", "Administration",
                                     "Production", "Finances", "Approvisionnement"};
  SampleRandom r(options.seed, kContacts, index);
  const size_t count = r.Weighted({15, 30, 20, 15, 10, 6, 4});
  for (size_t k = 0; k < count; ++k) {
    const bool french = r.Percent(c.french ? 85 : 8);
    const Person person = PersonName(r, french);
    std::string name = person.first + " " + person.last;
    if (r.Percent(3)) name = "Dr. " + name;
    b.Integer("Record_ID", ++recordId).Integer("Company_ID", c.id).Text("Name", FitText(name, 60));
    if (r.Percent(92)) {
      if (french) {
        const auto& t = r.Pick(kFrenchTitles);
        b.Text("Title", std::string(person.female ? t.second : t.first));
      } else {
        b.Text("Title", std::string(r.Pick(kEnglishTitles)));
      }
    }
    if (r.Percent(90)) b.Text("Area", std::string(r.Pick(french && r.Percent(50) ? kFrenchAreas : kEnglishAreas)));
    if (r.Percent(85)) {
      std::string phone = c.phone;
      if (r.Percent(40)) phone += (french ? " poste " : " ext. ") + std::to_string(r.Between(10, 499));
      b.Text("Telephone", phone);
    }
    if (c.fax && r.Percent(60)) b.Text("Fax", *c.fax);
    if (r.Percent(60)) {
      std::string local = AsciiSlug(person.first.substr(0, 1) + person.last, 20);
      b.Text("Email", local + "@" + (r.Percent(75) ? c.domain : std::string(ProviderDomain(r, Provinces()[c.province].name))));
    }
    b.Integer("Profile_ID", c.profileId);
    sink.AddRow(b.Finish());
  }
}

std::vector<size_t> AssignedLeaves(const SampleOptions& options, size_t index, const CompanyCore& c) {
  const CategoryTree& tree = CategoryTree::Standard();
  const size_t abor = 0;  // Sectors() starts with "Abor"
  SampleRandom r(options.seed, kCategories, index);
  const size_t count = r.Weighted({6, 45, 32, 17});
  std::vector<size_t> leaves;
  for (size_t k = 0; k < count; ++k) {
    size_t sector = c.sector;
    switch (k == 0 ? 0 : r.Weighted({80, 14, 6})) {
      case 1: sector = 1 + r.Below(static_cast<uint32_t>(Sectors().size() - 1)); break;
      case 2: sector = abor; break;
    }
    size_t leaf = r.Pick(tree.LeavesOf(sector));
    if (std::find(leaves.begin(), leaves.end(), leaf) == leaves.end()) leaves.push_back(leaf);
  }
  return leaves;
}

void CategoryRows(DirectorySink& sink, SampleCounts& counts) {
  const SchemaTable& mainTable = Table("Main_Category");
  RowBuilder b(mainTable);
  sink.BeginTable(mainTable);
  for (size_t i = 0; i < Sectors().size(); ++i) {
    const Sector& s = Sectors()[i];
    b.Text("RecordID", std::to_string(i + 1)).Text("Cat_Name", std::string(s.name)).Text("Cat_Code", std::string(s.code));
    sink.AddRow(b.Finish());
    ++counts.mainCategories;
  }
  sink.EndTable();

  const SchemaTable& leafTable = Table("All_Leaf_SubCat");
  RowBuilder leafRow(leafTable);
  sink.BeginTable(leafTable);
  for (const LeafCategory& leaf : CategoryTree::Standard().Leaves()) {
    const Sector& s = Sectors()[leaf.sector];
    leafRow.Text("SubCat_Code", leaf.code)
        .Text("SubCat_Text", leaf.text)
        .Text("IsValid", leaf.valid ? "Y" : "N")
        .Text("SubCat_Type", "L")
        .Integer("SubCat_Level", leaf.Level())
        .Text("MainCat_Code", std::string(s.code))
        .Text("MainCat_Text", std::string(s.name));
    for (int level = 1; level <= leaf.Level(); ++level) {
      const std::string prefix = "Cat" + std::to_string(level);
      leafRow.Text(prefix + "_Code", leaf.path[level - 1].code).Text(prefix + "_Text", leaf.path[level - 1].text);
    }
    sink.AddRow(leafRow.Finish());
    ++counts.leafCategories;
  }
  sink.EndTable();
}

}  // namespace

std::vector<std::pair<const SchemaTable*, std::string_view>> IndexedColumns() {
  std::vector<std::pair<const SchemaTable*, std::string_view>> out;
  for (const SchemaTable& t : DirectoryTables())
    for (const SchemaColumn& c : t.columns)
      if (IsIndexedColumn(c.name)) out.push_back({&t, c.name});
  return out;
}

SampleCounts GenerateDirectory(const SampleOptions& options, DirectorySink& sink) {
  if (options.companies < 0) throw std::invalid_argument("the number of companies cannot be negative");
  SampleCounts counts;
  CategoryRows(sink, counts);
  const std::vector<CompanyCore> cores = MakeCores(options);

  const SchemaTable& info = Table("Company_Info");
  RowBuilder infoRow(info);
  sink.BeginTable(info);
  for (size_t i = 0; i < cores.size(); ++i) sink.AddRow(CompanyInfoRow(infoRow, options, i, cores[i]));
  sink.EndTable();
  counts.companies = static_cast<int64_t>(cores.size());

  const SchemaTable& contact = Table("Company_Contact");
  RowBuilder contactRow(contact);
  sink.BeginTable(contact);
  for (size_t i = 0; i < cores.size(); ++i) ContactRows(contactRow, sink, options, i, cores[i], counts.contacts);
  sink.EndTable();

  const SchemaTable& psl = Table("Company_ProductServiceLicensing");
  RowBuilder pslRow(psl);
  sink.BeginTable(psl);
  for (size_t i = 0; i < cores.size(); ++i)
    for (const Offering& o : Offerings(options, i, cores[i])) {
      pslRow.Integer("Company_ID", cores[i].id).Text("Type", o.type).Text("Name", o.name).Text("IsExporting", o.isExporting);
      sink.AddRow(pslRow.Finish());
      ++counts.products;
    }
  sink.EndTable();

  const SchemaTable& subcat = Table("Company_SubCat");
  RowBuilder subcatRow(subcat);
  sink.BeginTable(subcat);
  const auto& leaves = CategoryTree::Standard().Leaves();
  for (size_t i = 0; i < cores.size(); ++i)
    for (size_t leaf : AssignedLeaves(options, i, cores[i])) {
      subcatRow.Integer("Company_ID", cores[i].id)
          .Text("SubCat_Code", leaves[leaf].code)
          .Text("MainCat_Code", std::string(Sectors()[leaves[leaf].sector].code))
          .Integer("Profile_ID", cores[i].profileId);
      sink.AddRow(subcatRow.Finish());
      ++counts.assignments;
    }
  sink.EndTable();

  for (const auto& [table, column] : IndexedColumns()) sink.AddIndex(*table, column);
  sink.Finish();
  return counts;
}

}  // namespace orbisk::gensample
