#pragma once
// The word lists the sample directory is made of: provinces with their cities,
// area codes and postal letters; the industry sectors that are both the main
// categories and the trades of the companies; names of people and places.
#include <string_view>
#include <vector>

namespace orbisk::gensample {

using Words = std::vector<std::string_view>;

struct City {
  std::string_view name;
  Words areaCodes;            // the codes that ring in this city
  std::string_view letters;   // first letters of its postal codes
};

struct Province {
  std::string_view name;      // as the search panel lists it
  std::string_view numbered;  // as in numbered company names: "Ontario", "B.C."
  int weight;                 // share of companies, relative
  int frenchPercent;          // chance that a company there has a French name
  std::vector<City> cities;
};

// The twelve provinces and territories of the search panel, in its order.
const std::vector<Province>& Provinces();

struct NaicsEntry {
  std::string_view code;
  std::string_view description;
};

struct Sector {
  std::string_view code;      // main category code, four letters
  std::string_view name;      // main category name
  int weight;                 // share of companies whose trade this is
  Words nounsEn, nounsFr;     // trade words in company names
  Words products, services;
  std::vector<NaicsEntry> naics;
  Words branches;             // first level of its category tree
  Words topics;               // second level
};

// The main categories in code order; the first is "Abor".
const std::vector<Sector>& Sectors();

// Third and deeper levels of the category tree.
const Words& CategoryFacets();

struct PersonNames {
  Words maleFirst, femaleFirst, last;
};
const PersonNames& EnglishNames();
const PersonNames& FrenchNames();

// Places and adjectives in English company names, and their French peers.
const Words& EnglishPlaceWords();
const Words& FrenchPlaceWords();
const Words& EnglishStreets();
const Words& FrenchStreets();

}  // namespace orbisk::gensample
