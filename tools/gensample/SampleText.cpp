#include "SampleText.h"

#include <algorithm>
#include <cstdio>

#include "DirectorySink.h"
#include "strutil/TextUtil.h"

namespace orbisk::gensample {

namespace {

// Letters that may stand in the middle positions of a postal code.
constexpr std::string_view kPostalLetters = "ABCEGHJKLMNPRSTVWXYZ";

std::string Digits(SampleRandom& rng, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += static_cast<char>('0' + rng.Below(10));
  return s;
}

std::string Format(const char* pattern, int a, int b = 0) {
  char buf[64];
  std::snprintf(buf, sizeof buf, pattern, a, b);
  return buf;
}

// Lower-cases the first letter of a product for the middle of a sentence,
// unless it starts an acronym ("LED lighting").
std::string InSentence(std::string_view item) {
  std::string s(item);
  if (s.size() > 1 && s[0] >= 'A' && s[0] <= 'Z' && !(s[1] >= 'A' && s[1] <= 'Z')) s[0] = static_cast<char>(s[0] + 32);
  return s;
}

std::string JoinList(const std::vector<std::string_view>& items, std::string_view andWord) {
  std::string s;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) s += (i + 1 == items.size()) ? std::string(" ") + std::string(andWord) + " " : std::string(", ");
    s += InSentence(items[i]);
  }
  return s;
}

// The base letter of an accented Latin letter; 0 for anything else.
char BaseLetter(char32_t c) {
  static const char kLatin1[] =  // U+00C0 .. U+00FF; the signs × and ÷ have none
      "aaaaaaaceeeeiiiidnooooo\0ouuuuyts"
      "aaaaaaaceeeeiiiidnooooo\0ouuuuyty";
  if (c >= 0xC0 && c <= 0xFF) return kLatin1[c - 0xC0];
  if (c == 0x152 || c == 0x153) return 'o';  // œ, followed by e below
  return 0;
}

const Words kEnglishSuffixes = {"Inc.", "Ltd.", "Limited", "Corp.", "Co.", "Group", ""};
const std::initializer_list<int> kEnglishSuffixWeights = {35, 30, 8, 6, 4, 4, 13};
const Words kFrenchSuffixes = {"inc.", "Inc.", "ltée", "Ltée", ""};
const std::initializer_list<int> kFrenchSuffixWeights = {40, 10, 20, 10, 20};
const Words kNations = {"Cree", "Mi'kmaq", "Ojibway", "Dene", "Haida", "Mohawk", "Inuvialuit", "Nisga'a", "Tlicho"};
const Words kBankNames = {"Riverbank", "Westbank", "Sandbank", "Bank Street", "Bankside", "Snowbank", "Eastbank"};

std::string WithSuffix(std::string name, std::string_view suffix) {
  if (!suffix.empty()) name += " " + std::string(suffix);
  return name;
}

std::string EnglishName(SampleRandom& rng, const Sector& sector, const City& city) {
  const auto& last = EnglishNames().last;
  std::string noun(rng.Pick(sector.nounsEn));
  std::string_view suffix = kEnglishSuffixes[rng.Weighted(kEnglishSuffixWeights)];
  if (sector.code == "Abor" && rng.Percent(70))
    return WithSuffix(std::string(rng.Pick(kNations)) + " " + noun, suffix);
  switch (rng.Weighted({30, 10, 20, 12, 8, 6, 4})) {
    case 0: return WithSuffix(std::string(rng.Pick(last)) + " " + noun, suffix);
    case 1: return std::string(rng.Pick(last)) + " & " + std::string(rng.Pick(last)) + " " + noun;
    case 2: return WithSuffix(std::string(rng.Pick(EnglishPlaceWords())) + " " + noun, suffix);
    case 3: return WithSuffix(std::string(city.name) + " " + noun, suffix);
    case 4: {
      std::string initials{static_cast<char>('A' + rng.Below(26)), '.', static_cast<char>('A' + rng.Below(26)), '.'};
      return WithSuffix(initials + " " + noun, suffix);
    }
    case 5: return WithSuffix(std::string(rng.Pick(last)) + (rng.Percent(50) ? " Brothers " : " & Sons ") + noun, suffix);
    default: return WithSuffix(std::string(rng.Pick(kBankNames)) + " " + noun, suffix);
  }
}

std::string FrenchName(SampleRandom& rng, const Sector& sector, const City& city) {
  const auto& last = FrenchNames().last;
  std::string noun(rng.Pick(sector.nounsFr));
  std::string_view suffix = kFrenchSuffixes[rng.Weighted(kFrenchSuffixWeights)];
  switch (rng.Weighted({25, 15, 15, 10, 10, 8, 5, 5, 7})) {
    case 0: return WithSuffix(noun + " " + std::string(rng.Pick(last)), suffix);
    case 1: return WithSuffix("Les Entreprises " + std::string(rng.Pick(last)), suffix);
    case 2: return WithSuffix(noun + " " + std::string(rng.Pick(FrenchPlaceWords())), suffix);
    case 3: return WithSuffix("Groupe " + std::string(rng.Pick(last)), suffix);
    case 4: return WithSuffix(noun + " " + std::string(city.name), suffix);
    case 5: return WithSuffix("Société " + std::string(rng.Pick(last)) + " " + noun, suffix);
    case 6: return WithSuffix(std::string(rng.Pick(last)) + " et Fils", suffix);
    case 7: return std::string(rng.Pick(last)) + ", " + std::string(rng.Pick(last)) + " S.E.N.C.";
    default: return WithSuffix("Entreprises " + std::string(rng.Pick(last)), suffix);
  }
}

}  // namespace

std::string PostalCode(SampleRandom& rng, std::string_view letters) {
  std::string s;
  s += letters[rng.Below(static_cast<uint32_t>(letters.size()))];
  s += static_cast<char>('0' + rng.Below(10));
  s += rng.Pick(kPostalLetters);
  s += ' ';
  s += static_cast<char>('0' + rng.Below(10));
  s += rng.Pick(kPostalLetters);
  s += static_cast<char>('0' + rng.Below(10));
  return s;
}

std::string PhoneNumber(SampleRandom& rng, std::string_view areaCode) {
  return "(" + std::string(areaCode) + ") " + std::to_string(rng.Between(201, 989)) + "-" + Digits(rng, 4);
}

std::string TollFreeNumber(SampleRandom& rng) {
  static const Words prefixes = {"800", "888", "877", "866"};
  return "1-" + std::string(rng.Pick(prefixes)) + "-" + std::to_string(rng.Between(201, 989)) + "-" + Digits(rng, 4);
}

std::string StreetAddress(SampleRandom& rng, bool french) {
  // Small street numbers are the common ones.
  int number = rng.Percent(60) ? rng.Between(1, 999) : rng.Between(1000, 9999);
  if (french) {
    std::string s = std::to_string(number) + ", " + std::string(rng.Pick(FrenchStreets()));
    switch (rng.Weighted({80, 15, 5})) {
      case 1: s += ", bureau " + std::to_string(rng.Between(1, 9) * 100 + rng.Between(0, 20)); break;
      case 2: s += ", local " + std::to_string(rng.Between(1, 40)); break;
    }
    return s;
  }
  std::string street = std::to_string(number) + " " + std::string(rng.Pick(EnglishStreets()));
  switch (rng.Weighted({75, 10, 10, 5})) {
    case 1: return std::to_string(rng.Between(1, 19) * 100 + rng.Between(0, 20)) + "-" + street;
    case 2: return street + ", Suite " + std::to_string(rng.Between(1, 19) * 100 + rng.Between(0, 20));
    case 3: return "Unit " + std::to_string(rng.Between(1, 30)) + ", " + street;
  }
  return street;
}

std::string PostBox(SampleRandom& rng, bool french) {
  std::string box = std::to_string(rng.Between(1, 9999));
  if (!french) return "P.O. Box " + box;
  return rng.Percent(40) ? "C.P. " + box + ", succursale Centre-ville" : "C.P. " + box;
}

std::string CompanyName(SampleRandom& rng, const Sector& sector, const City& city, bool french) {
  return FitText(french ? FrenchName(rng, sector, city) : EnglishName(rng, sector, city), 80);
}

std::string LegalName(SampleRandom& rng, std::string_view name, const Province& province, bool french) {
  switch (rng.Weighted({60, 15, 15})) {
    case 0: return std::string(name);
    case 1: {
      const auto& last = french ? FrenchNames().last : EnglishNames().last;
      return std::string(rng.Pick(last)) + (french ? " Holding inc." : " Holdings Ltd.");
    }
    default:
      if (province.name == "Quebec") return Format("9%03d-%04d Québec inc.", rng.Between(0, 999), rng.Between(0, 9999));
      if (province.name == "Ontario") return Format("%07d Ontario Inc.", rng.Between(1000000, 2299999));
      return Format("%06d ", rng.Between(100000, 999999)) + std::string(province.numbered) + " Ltd.";
  }
}

Person PersonName(SampleRandom& rng, bool french) {
  const PersonNames& names = french ? FrenchNames() : EnglishNames();
  Person p;
  p.female = rng.Percent(45);
  p.first = std::string(rng.Pick(p.female ? names.femaleFirst : names.maleFirst));
  p.last = std::string(rng.Pick(names.last));
  return p;
}

std::string AsciiSlug(std::string_view utf8, size_t maxLength) {
  std::string s;
  for (size_t i = 0; i < utf8.size() && s.size() < maxLength;) {
    char32_t c = DecodeUtf8(utf8, i);
    if (c >= 'A' && c <= 'Z') c += 32;
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      s += static_cast<char>(c);
    } else if (char base = BaseLetter(c)) {
      s += base;
      if (c == 0x152 || c == 0x153 || c == 0xC6 || c == 0xE6) s += 'e';  // œ, æ
    }
  }
  return s.substr(0, maxLength);
}

std::string CompanyDomain(SampleRandom& rng, std::string_view name, bool quebec) {
  static const Words kNoise = {"inc", "ltd", "limited", "corp", "co", "group", "ltee", "les", "et", "sons",
                               "senc", "la", "le", "de", "du", "des", "l"};
  std::string slug;
  size_t start = 0;
  while (start < name.size()) {
    size_t end = name.find_first_of(" ,'&", start);
    if (end == std::string_view::npos) end = name.size();
    std::string word = AsciiSlug(name.substr(start, end - start), 40);
    bool noise = false;
    for (auto n : kNoise) noise = noise || word == n;
    if (!noise) slug += word;
    start = end + 1;
  }
  if (slug.empty()) slug = "company" + Digits(rng, 4);
  slug = slug.substr(0, 24);
  static const Words kQuebecEndings = {".qc.ca", ".ca", ".com"};
  if (quebec) return slug + std::string(rng.Pick(kQuebecEndings));
  return slug + (rng.Percent(50) ? ".ca" : ".com");
}

std::string_view ProviderDomain(SampleRandom& rng, std::string_view province) {
  struct Local {
    std::string_view province;
    Words domains;
  };
  static const std::vector<Local> local = {
      {"Alberta", {"telus.net", "shaw.ca"}},          {"British Columbia", {"telus.net", "shaw.ca"}},
      {"Manitoba", {"mts.net", "shaw.ca"}},            {"New Brunswick", {"nbnet.nb.ca", "rogers.com"}},
      {"Newfoundland and Labrador", {"nf.sympatico.ca"}}, {"Northwest Territories", {"northwestel.net"}},
      {"Nova Scotia", {"eastlink.ca", "ns.sympatico.ca"}}, {"Ontario", {"sympatico.ca", "rogers.com"}},
      {"Prince Edward Island", {"eastlink.ca", "pei.sympatico.ca"}}, {"Quebec", {"videotron.ca", "sympatico.ca"}},
      {"Saskatchewan", {"sasktel.net"}},               {"Yukon Territory", {"northwestel.net"}}};
  if (rng.Percent(15)) return "hotmail.com";
  for (const Local& l : local)
    if (l.province == province) return rng.Pick(l.domains);
  return "hotmail.com";
}

std::string Description(SampleRandom& rng, const CompanyFacts& f) {
  static const Words kEnglishKinds = {"family-owned", "privately held", "Canadian-owned", "employee-owned", "growing"};
  static const Words kEnglishVerbs = {"design and manufacture", "supply", "produce", "distribute", "develop"};
  static const Words kEnglishMarkets = {"Canada and the United States", "Western Canada", "Atlantic Canada",
                                        "Europe and Asia", "North America", "Central Canada"};
  static const Words kEnglishPool = {
      "We offer complete after-sales service and technical support.",
      "Our engineering department works with customers from design to delivery.",
      "Quality, reliability and on-time delivery are the foundation of our business.",
      "We are always looking for new distributors and agents.",
      "Custom orders of any size are welcome.",
      "Our products meet or exceed CSA and UL requirements.",
      "The company's plant was expanded and modernized in recent years.",
      "We work closely with our customers' purchasing and engineering staff.",
      "Our sales representatives cover every province and several American states.",
      "Continuous improvement and employee training are part of our daily work.",
      "We hold a large inventory, so most orders ship within 48 hours.",
      "Our research team develops new products every year.",
      "Prices are quoted in Canadian or U.S. dollars on request.",
      "Bilingual service is offered in English and French."};
  static const Words kFrenchKinds = {"familiale", "québécoise", "privée", "en pleine croissance"};
  static const Words kFrenchMarkets = {"au Canada et aux États-Unis", "partout au Québec",
                                       "en Amérique du Nord", "en Europe et en Asie"};
  static const Words kFrenchPool = {
      "Nous offrons un service après-vente complet.",
      "La qualité et le respect des délais sont au cœur de nos activités.",
      "Nos produits sont conformes aux normes CSA.",
      "Nous sommes à la recherche de distributeurs à l'étranger.",
      "Notre équipe d'ingénierie accompagne nos clients de la conception à la livraison.",
      "Les commandes spéciales sont les bienvenues.",
      "L'usine a été agrandie et modernisée au cours des dernières années."};

  const std::string_view crlf = "\r\n";
  std::string text;
  if (f.french) {
    text += std::string(f.name) + " est une entreprise " + std::string(rng.Pick(kFrenchKinds));
    text += f.year ? " fondée en " + std::to_string(*f.year) + " à " : " établie à ";
    text += std::string(f.city) + ".";
    text += " Nous servons une clientèle " + std::string(rng.Pick(kFrenchMarkets)) + ".";
    // The product list keeps the names as the directory lists them.
    if (!f.products.empty()) {
      text += std::string(crlf) + "Produits et services : ";
      for (size_t i = 0; i < f.products.size(); ++i) text += (i ? ", " : "") + std::string(f.products[i]);
      text += ".";
    }
    if (f.employees) text += std::string(crlf) + "Notre équipe compte " + std::to_string(*f.employees) + " personnes.";
  } else {
    text += std::string(f.name) + " is a " + std::string(rng.Pick(kEnglishKinds)) + " company";
    text += f.year ? " established in " + std::to_string(*f.year) + " in " : " based in ";
    text += std::string(f.city) + ", " + std::string(f.province) + ".";
    if (!f.products.empty())
      text += " We " + std::string(rng.Pick(kEnglishVerbs)) + " " + JoinList(f.products, "and") +
              " for customers in " + std::string(rng.Pick(kEnglishMarkets)) + ".";
    if (f.employees)
      text += std::string(crlf) + std::string(crlf) + "Our team of " + std::to_string(*f.employees) +
              (*f.employees == 1 ? " person" : " people") + " serves clients across the country.";
  }
  if (f.certification)
    text += std::string(crlf) + (f.french ? "Certification : " : "Certified to ") + *f.certification + ".";
  if (f.exporting)
    text += std::string(crlf) + (f.french ? "Nos exportations représentent " : "Exports account for ") +
            std::to_string(rng.Between(5, 80)) + (f.french ? " % de nos ventes." : "% of our sales.");
  // A few companies describe themselves at length.
  const Words& pool = f.french ? kFrenchPool : kEnglishPool;
  int extra = rng.Percent(3) ? rng.Between(30, 90) : rng.Between(0, 3);
  for (int i = 0; i < extra; ++i) {
    text += (i % 4 == 0) ? std::string(crlf) + std::string(crlf) : std::string(" ");
    text += rng.Pick(pool);
  }
  return text;
}

std::string MarketAlliances(SampleRandom& rng, bool french) {
  static const Words english = {"Distribution agreements in the United States and Mexico",
                                "Member of Canadian Manufacturers & Exporters",
                                "Sales agents in Europe and Asia",
                                "Joint venture with a partner in Chile",
                                "Exclusive distributor for Eastern Canada",
                                "Supplier to the federal government through standing offers"};
  static const Words french_ = {"Ententes de distribution aux États-Unis",
                                "Membre de Manufacturiers et Exportateurs du Québec",
                                "Agents commerciaux en France et en Belgique",
                                "Distributeur exclusif pour l'est du Canada"};
  const Words& pool = french ? french_ : english;
  std::string s;
  int lines = rng.Between(1, 3);
  for (int i = 0; i < lines; ++i) {
    std::string_view line = rng.Pick(pool);
    if (s.find(line) != std::string::npos) continue;
    if (!s.empty()) s += "\r\n";
    s += line;
  }
  return s;
}

std::string StrategicAlliances(SampleRandom& rng) {
  static const Words partners = {"the National Research Council Canada", "Université Laval",
                                 "the University of Waterloo", "McGill University", "the University of Manitoba",
                                 "Dalhousie University", "the British Columbia Institute of Technology",
                                 "École Polytechnique de Montréal"};
  std::string s = "Research partnership with " + std::string(rng.Pick(partners));
  if (rng.Percent(50)) s += "\r\nTechnology licensing agreement with a European manufacturer";
  return s;
}

std::string MajorClients(SampleRandom& rng, size_t maxChars) {
  static const Words clients = {
      "Bombardier", "Hydro-Québec", "Canadian Tire", "CN", "Government of Canada", "Loblaw", "Sobeys",
      "Suncor Energy", "City of Winnipeg", "Irving Oil", "BC Hydro", "Department of National Defence",
      "Ontario Power Generation", "Magna International", "Costco", "Home Depot Canada", "Petro-Canada",
      "Air Canada", "CAE", "Cascades", "Metro", "Saputo", "Nova Scotia Power", "Manitoba Hydro", "SaskPower",
      "Bell Canada", "TD Bank", "Royal Bank of Canada"};
  std::string s;
  int count = rng.Between(1, 5);
  for (int i = 0; i < count; ++i) {
    std::string next = std::string(rng.Pick(clients));
    if (s.find(next) != std::string::npos) continue;
    if (CharCount(s) + 2 + CharCount(next) > maxChars) break;
    s += (s.empty() ? "" : ", ") + next;
  }
  return s;
}

std::string EmployeeDistribution(SampleRandom& rng) {
  static const Words groups = {"Administration", "Production", "Sales", "Engineering", "Management"};
  int shares[5];
  int total = 0;
  for (int& s : shares) total += (s = rng.Between(1, 10));
  std::string text;
  int given = 0;
  for (size_t i = 0; i < groups.size(); ++i) {
    int percent = (i + 1 == groups.size()) ? 100 - given : shares[i] * 100 / total;
    given += percent;
    if (i) text += ", ";
    text += std::string(groups[i]) + " " + std::to_string(percent) + "%";
  }
  return text;
}

std::string SalesRange(SampleRandom& rng, int employees) {
  static const Words ranges = {"$0 to $99,999", "$100,000 to $499,999", "$500,000 to $999,999",
                               "$1,000,000 to $4,999,999", "$5,000,000 to $9,999,999",
                               "$10,000,000 to $24,999,999", "$25,000,000 to $49,999,999",
                               "$50,000,000 to $99,999,999", "$100,000,000 and over"};
  int band = employees < 5 ? 0 : employees < 20 ? 2 : employees < 100 ? 4 : employees < 500 ? 6 : 7;
  band = std::min<int>(static_cast<int>(ranges.size()) - 1, std::max(0, band + rng.Between(-1, 1)));
  return std::string(ranges[band]);
}

}  // namespace orbisk::gensample
