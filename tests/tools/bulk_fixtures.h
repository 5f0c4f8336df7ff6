// Small stand-ins for the sources' bulk files, made around the example set
// files: AllPrintings, a Scryfall bulk array and AtomicCards, each with
// another set's cards before and after the example's.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

// A set of one card, "Other", with code `code`.
inline nlohmann::ordered_json otherSet(const char* code) {
    return {{"baseSetSize", 1},
            {"booster", {{"default", {{"sheets", {{"common", {{"cards", {{"x", 1}}}}}}}}}}},
            {"cards", {{{"name", "Other"}, {"rarity", "common"}, {"text", "x"}, {"type", "Instant"}}}},
            {"code", code},
            {"name", "Other"}};
}

// {"meta", "data": {"AAA": other, CODE: the set file's set, "ZZZ": other}}.
inline std::string allPrintingsAround(const std::string& setFile) {
    const auto set = nlohmann::ordered_json::parse(setFile);
    nlohmann::ordered_json data;
    data["AAA"] = otherSet("AAA");
    data[set["data"]["code"].get<std::string>()] = set["data"];
    data["ZZZ"] = otherSet("ZZZ");
    return nlohmann::ordered_json{{"meta", set["meta"]}, {"data", data}}.dump(2);
}

// The Scryfall list's cards in an array, after and before a card of another set.
inline std::string bulkArrayAround(const std::string& list) {
    auto cards = nlohmann::ordered_json::parse(list)["data"];
    nlohmann::ordered_json other = cards[0];
    other["name"] = "Other";
    other["set"] = "oth";
    cards.insert(cards.begin(), other);
    cards.push_back(other);
    return cards.dump();
}

// AtomicCards' shape: the set file's entries by name, without rarity, with
// `suffix` after every text, `renamed` spelt `as`.
inline std::string atomicCardsOf(const std::string& setFile, const std::string& suffix,
                                 const std::string& renamed, const std::string& as) {
    const auto set = nlohmann::ordered_json::parse(setFile);
    nlohmann::ordered_json data = nlohmann::ordered_json::object();
    for (nlohmann::ordered_json entry : set["data"]["cards"]) {
        entry.erase("rarity");
        if (entry.contains("text")) entry["text"] = entry["text"].get<std::string>() + suffix;
        if (entry["name"] == renamed) entry["name"] = as;
        data[entry["name"].get<std::string>()].push_back(entry);
    }
    data["Other"] = {otherSet("OTH")["cards"][0]};
    return nlohmann::ordered_json{{"meta", {{"version", "5.2.2"}}}, {"data", data}}.dump();
}
