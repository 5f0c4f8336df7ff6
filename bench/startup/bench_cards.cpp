// Cards built from word tables: every name distinct and readable, 9 to 40
// characters long, no running numbers.
#include "bench/startup/bench_cards.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "card/card_file.h"

namespace {

const char* const Adjectives[] = {
    "Ancient",  "Blazing",  "Crimson",  "Dire",     "Elder",    "Feral",     "Gilded",    "Hollow",
    "Iron",     "Jade",     "Keen",     "Lurking",  "Molten",   "Nimble",    "Obsidian",  "Pale",
    "Quiet",    "Restless", "Savage",   "Tireless", "Unseen",   "Vengeful",  "Wandering", "Young",
    "Zealous",  "Amber",    "Brazen",   "Cunning",  "Dusk",     "Ember",     "Frozen",    "Grim",
    "Howling",  "Ivory",    "Jagged",   "Kindled",  "Lone",     "Mirthful",  "Noble",     "Onyx",
    "Primal",   "Radiant",  "Shrouded", "Thorned",  "Umbral",   "Verdant",   "Withered",  "Ashen",
    "Brooding", "Cinder",   "Drowned",  "Exalted",  "Fleeting", "Gleaming",  "Hallowed",  "Infernal",
    "Jubilant", "Knotted",  "Luminous", "Marsh",    "Northern", "Oathbound", "Plagued",   "Rusted"};
const char* const Nouns[] = {
    "Drake",    "Sentinel", "Warden",    "Golem",    "Wraith",    "Hydra",    "Knight",  "Shaman",
    "Serpent",  "Colossus", "Harpy",     "Lancer",   "Druid",     "Specter",  "Titan",   "Mystic",
    "Gargoyle", "Ranger",   "Behemoth",  "Oracle",   "Sphinx",    "Raider",   "Phoenix", "Paladin",
    "Basilisk", "Archer",   "Leviathan", "Hermit",   "Chimera",   "Squire",   "Wyvern",  "Alchemist",
    "Griffin",  "Brute",    "Banshee",   "Sage",     "Manticore", "Scout",    "Djinn",   "Templar",
    "Kraken",   "Nomad",    "Minotaur",  "Seer",     "Ogre",      "Sorcerer", "Troll",   "Herald",
    "Familiar", "Reaver",   "Elemental", "Pilgrim",  "Revenant",  "Marauder", "Imp",     "Warlord",
    "Centaur",  "Bard",     "Shade",     "Vanguard", "Satyr",     "Conjurer", "Ghoul",   "Stalker"};
const char* const Places[] = {"the Deep",   "the North",    "the Mire",       "the Wastes",
                              "Ashmoor",    "the Spires",   "the Old Wood",   "Kelbrin",
                              "the Tides",  "the Crossing", "Stonehollow",    "the Last Gate",
                              "the Sunken", "Varrow",       "the Pale Court", "the Ember Hills"};
const char* const Editions[] = {"First Tide",   "Ashmoor",  "Second Tide", "The Spires",
                                "Revenant Age", "Old Wood", "Kelbrin",     "Core Set"};
const char* const Sentences[] = {
    "When this creature comes into play, draw a card.",
    "Flying",
    "Tap: Target creature gets +1/+1 until end of turn.",
    "Trample; first strike",
    "At the beginning of your upkeep, you may return target card from your graveyard to your hand.",
    "This creature cannot be blocked except by two or more creatures.",
    "Sacrifice this creature: Add three mana of any one colour to your mana pool.",
    "Whenever another creature dies, put a +1/+1 counter on this creature.",
    "Pay 2 life: Regenerate this creature.",
    "Each opponent discards a card at random."};
const char* const CostLetters = "WUBRG";

template <typename T, int N>
constexpr int countOf(T (&)[N]) {
    return N;
}

// Name number `n`: 4096 "<adjective> <noun>", then 1024 "<noun> of <place>",
// then "<adjective> <noun> of <place>" with the adjective and noun pair
// distinct within the form and the place varying with both.
std::string cardName(int n) {
    constexpr int A = countOf(Adjectives), N = countOf(Nouns), P = countOf(Places);
    if (n < A * N) return std::string(Adjectives[n % A]) + " " + Nouns[n / A];
    n -= A * N;
    if (n < N * P) return std::string(Nouns[n % N]) + " of " + Places[n / N];
    n -= N * P;
    const int adjective = n % A, noun = (n / A) % N;
    return std::string(Adjectives[adjective]) + " " + Nouns[noun] + " of " + Places[(adjective + noun) % P];
}

void put(char* field, int width, const std::string& text) {
    if (!copyField(field, width, text.c_str())) copyField(field, width, text.substr(0, width - 1).c_str());
}

}  // namespace

void buildBenchCards(CardTable& table, int count) {
    clearCardTable(table);
    count = std::clamp(count, 0, MaxCards);
    std::vector<int> order(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) order[static_cast<size_t>(i)] = i;
    std::mt19937 random(1994);
    std::shuffle(order.begin(), order.end(), random);
    for (int slot = 0; slot < count; ++slot) {
        CardRecord& card = table.slots[slot];
        const int n = order[static_cast<size_t>(slot)];
        put(card.name, NameWidth, cardName(n));
        put(card.edition, EditionWidth, Editions[random() % countOf(Editions)]);
        const bool creature = random() % 3 != 0;
        put(card.type, TypeWidth,
            creature ? std::string("Summon ") + Nouns[random() % countOf(Nouns)]
                     : (random() % 2 ? "Instant" : "Sorcery"));
        std::string cost = std::to_string(random() % 5);
        for (unsigned k = random() % 3 + 1; k > 0; --k) cost += CostLetters[random() % 5];
        put(card.cost, CostWidth, cost);
        if (creature)
            put(card.pt, PtWidth, std::to_string(random() % 7) + "/" + std::to_string(random() % 7 + 1));
        std::string text;
        for (unsigned k = random() % 3 + 1; k > 0; --k) {
            if (!text.empty()) text += "\r\n";
            text += Sentences[random() % countOf(Sentences)];
        }
        put(card.text, TextWidth, text);
        if (random() % 8 == 0) put(card.comment, CommentWidth, "Errata: reworded in the second printing.");
        card.colours = static_cast<std::int32_t>(1u << (random() % ColourCount));
        card.active = 1;
    }
    table.slotCount = count;
}

std::string writeBenchCardFile(const std::string& path, int count) {
    auto table = std::make_unique<CardTable>();
    buildBenchCards(*table, count);
    FileProblem problem;
    if (!saveCardFile(path.c_str(), *table, &problem)) return path + ": " + problem.what;
    return "";
}
