#pragma once
// The texts of one company: names, addresses, numbers and the memo prose.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SampleRandom.h"
#include "SampleWords.h"

namespace orbisk::gensample {

// "R3C 4T3", first letter one of `letters`.
std::string PostalCode(SampleRandom& rng, std::string_view letters);
// "(204) 555-0134"
std::string PhoneNumber(SampleRandom& rng, std::string_view areaCode);
// "1-800-555-0199"
std::string TollFreeNumber(SampleRandom& rng);
// "1200 Portage Avenue" or, in French, "1250, rue Saint-Denis, bureau 300".
std::string StreetAddress(SampleRandom& rng, bool french);
// A post-office box line.
std::string PostBox(SampleRandom& rng, bool french);

std::string CompanyName(SampleRandom& rng, const Sector& sector, const City& city, bool french);
// Legal name: the trade name, a holding name or a numbered company.
std::string LegalName(SampleRandom& rng, std::string_view name, const Province& province, bool french);

struct Person {
  std::string first, last;
  bool female = false;
};
Person PersonName(SampleRandom& rng, bool french);

// Lower-case ASCII letters and digits of a text, accents taken off: "Lévesque" -> "levesque".
std::string AsciiSlug(std::string_view utf8, size_t maxLength);
// "gagnonusinage.qc.ca": from the distinctive words of a company name.
std::string CompanyDomain(SampleRandom& rng, std::string_view name, bool quebec);
// The domain of an Internet provider of the province, for addresses outside a company's own domain.
std::string_view ProviderDomain(SampleRandom& rng, std::string_view province);

// What the memo prose may mention of a company.
struct CompanyFacts {
  std::string_view name, city, province;
  bool french = false;
  std::optional<int> year, employees;
  std::vector<std::string_view> products;
  std::optional<std::string> certification;
  bool exporting = false;
};

// Paragraphs separated by CR LF; a few run to several kilobytes.
std::string Description(SampleRandom& rng, const CompanyFacts& facts);
std::string MarketAlliances(SampleRandom& rng, bool french);
std::string StrategicAlliances(SampleRandom& rng);
// "Bombardier, Canadian Tire, Hydro-Québec", at most maxChars characters.
std::string MajorClients(SampleRandom& rng, size_t maxChars);
// "Administration 10%, Production 65%, Sales 25%"
std::string EmployeeDistribution(SampleRandom& rng);
// Sales range text for a company of that size: "$1,000,000 to $4,999,999".
std::string SalesRange(SampleRandom& rng, int employees);

}  // namespace orbisk::gensample
