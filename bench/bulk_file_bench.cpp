// `cardinfo` over the sources' bulk files, as whole processes, each measured
// beside two floors in the same run: the file read once from the page cache
// into one buffer of its size, and read in 4 MB chunks. The merges save
// their result with --output into /dev/shm, in memory: a save to disk waits
// for its flush, which is the same whatever the input (card_file_bench
// measures it) and would drown what is measured here.
//   merge --set and diff --set: one set (the last, so the whole file is
//     read) out of a file of AllPrintings' shape, into a full database of
//     8192 cards of which every card of the set is a reprint;
//   merge --existing-only: that database brought up to date from a file of
//     oracle-cards' shape, whose cards include all of the database's.
// The files are generated here from card objects of each source's shape,
// every key the sources write included, to --size_mb megabytes each
// (default 300); nothing is kept after the run. The run ends with the ratios
// of the medians: time against each floor of the same file (target: at most
// 2 against the first) and the children's peak memory against the file's
// size (target: at most 1.5); and, since wall-clock time on a busy machine
// says as much about the other programs, the processor time of each command
// against that of the first floor.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/bench_run.h"
#include "card/card_file.h"
#include "card/card_table.h"
#include "carddata/card_input.h"

namespace fs = std::filesystem;
using nlohmann::ordered_json;

extern char** environ;

namespace {

constexpr int DbCards = MaxCards;
constexpr int SetCards = 300;
constexpr std::size_t ChunkFloorBytes = std::size_t{4} << 20;
constexpr const char* SizeFlag = "--size_mb=";

// ---- Card objects of each source's shape. A template is dumped once with
// markers where each card differs, then written card after card. ----

constexpr const char* NameMark = "@NAME@";
constexpr const char* NumberMark = "@NUM@";
constexpr const char* IdMark = "@ID@";
constexpr const char* SetMark = "@SET@";

std::string uuid(const char* head) {
    return std::string(head) + "-1e2f-4a3b-8c4d-" + IdMark;
}

ordered_json legalities(const char* legal) {
    ordered_json out;
    for (const char* format :
         {"alchemy",   "brawl",           "commander", "duel",    "explorer",    "future",
          "gladiator", "historic",        "legacy",    "modern",  "oathbreaker", "oldschool",
          "pauper",    "paupercommander", "penny",     "pioneer", "predh",       "premodern",
          "standard",  "standardbrawl",   "timeless",  "vintage"})
        out[format] = legal;
    return out;
}

// An entry of an MTGJSON set's "cards", as AllPrintings holds it.
ordered_json mtgjsonCard() {
    ordered_json card;
    card["artist"] = "Rhea Ostrander";
    card["artistIds"] = {uuid("93bd5a1c")};
    card["availability"] = {"arena", "mtgo", "paper"};
    card["boosterTypes"] = {"default", "draft"};
    card["borderColor"] = "black";
    card["colorIdentity"] = {"G"};
    card["colors"] = {"G"};
    card["convertedManaCost"] = 5.0;
    card["edhrecRank"] = 12000;
    card["edhrecSaltiness"] = 0.14;
    card["finishes"] = {"nonfoil", "foil"};
    card["flavorText"] = "The roots remember every storm the canopy forgets.";
    ordered_json foreign = ordered_json::array();
    for (const char* language : {"German", "Spanish", "French", "Italian", "Japanese", "Portuguese (Brazil)",
                                 "Russian", "Chinese Simplified"}) {
        foreign.push_back(
            {{"flavorText", "Die Wurzeln erinnern sich an jeden Sturm, den das Blätterdach vergisst."},
             {"identifiers", {{"multiverseId", "612346"}, {"scryfallId", uuid("7a8b9c0d")}}},
             {"language", language},
             {"multiverseId", 612346},
             {"name", "Moosrücken-Titan"},
             {"text", "Trampelschaden\nWenn diese Kreatur ins Spiel kommt, erhältst du 3 Lebenspunkte."},
             {"type", "Kreatur — Bestie"},
             {"uuid", uuid("0c1d2e3f")}});
    }
    card["foreignData"] = foreign;
    card["frameVersion"] = "2015";
    card["hasFoil"] = true;
    card["hasNonFoil"] = true;
    card["identifiers"] = {{"cardKingdomFoilId", "283912"},
                           {"cardKingdomId", "283911"},
                           {"cardsphereId", "98123"},
                           {"mcmId", "712044"},
                           {"mcmMetaId", "371122"},
                           {"mtgjsonV4Id", uuid("0b1e2d3c")},
                           {"multiverseId", "612345"},
                           {"scryfallCardBackId", uuid("0aeebaf5")},
                           {"scryfallId", uuid("7a8b9c0d")},
                           {"scryfallIllustrationId", uuid("2b3c4d5e")},
                           {"scryfallOracleId", uuid("1a2b3c4d")},
                           {"tcgplayerProductId", "498213"}};
    card["keywords"] = {"Trample"};
    card["language"] = "English";
    card["layout"] = "normal";
    card["legalities"] = legalities("Legal");
    card["manaCost"] = "{3}{G}{G}";
    card["manaValue"] = 5.0;
    card["name"] = NameMark;
    card["number"] = NumberMark;
    card["originalText"] = "Trample\nWhen Mossback Titan comes into play, you gain 3 life.";
    card["originalType"] = "Creature - Beast";
    card["power"] = "5";
    card["printings"] = {"10E", "M21", "TCR", "ZNR"};
    card["purchaseUrls"] = {{"cardKingdom", "https://mtgjson.com/links/9a2b3c4d5e6f7a8b"},
                            {"cardKingdomFoil", "https://mtgjson.com/links/1b2c3d4e5f6a7b8c"},
                            {"cardmarket", "https://mtgjson.com/links/2c3d4e5f6a7b8c9d"},
                            {"tcgplayer", "https://mtgjson.com/links/3d4e5f6a7b8c9d0e"}};
    card["rarity"] = "common";
    card["rulings"] = {{{"date", "2020-09-25"},
                        {"source", "wotc"},
                        {"text",
                         "If the creature leaves the battlefield before its ability resolves, you still "
                         "gain 3 life."}}};
    card["setCode"] = SetMark;
    card["subtypes"] = {"Beast"};
    card["supertypes"] = ordered_json::array();
    card["text"] = "Trample\nWhen this creature enters, you gain 3 life.";
    card["toughness"] = "4";
    card["type"] = "Creature — Beast";
    card["types"] = {"Creature"};
    card["uuid"] = uuid("5c9f3e1a");
    return card;
}

// A card object of Scryfall's oracle-cards and default-cards.
ordered_json scryfallCard() {
    ordered_json card;
    card["object"] = "card";
    card["id"] = uuid("80164e61");
    card["oracle_id"] = uuid("fcfcac6b");
    card["multiverse_ids"] = {457145};
    card["mtgo_id"] = 71002;
    card["arena_id"] = 69129;
    card["tcgplayer_id"] = 183201;
    card["cardmarket_id"] = 426466;
    card["name"] = NameMark;
    card["lang"] = "en";
    card["released_at"] = "2019-01-25";
    card["uri"] = std::string("https://api.scryfall.com/cards/") + uuid("80164e61");
    card["scryfall_uri"] = "https://scryfall.com/card/rna/1/card?utm_source=api";
    card["layout"] = "normal";
    card["highres_image"] = true;
    card["image_status"] = "highres_scan";
    ordered_json images;
    for (const char* size : {"small", "normal", "large", "png", "art_crop", "border_crop"})
        images[size] = std::string("https://cards.scryfall.io/") + size + "/front/8/0/" + uuid("80164e61") +
                       ".jpg?1548641182";
    card["image_uris"] = images;
    card["mana_cost"] = "{3}{W}{W}";
    card["cmc"] = 5.0;
    card["type_line"] = "Creature — Angel";
    card["oracle_text"] =
        "Flash\nFlying\nWhen this creature enters, until end of turn, damage that would "
        "reduce your life total to less than 1 reduces it to 1 instead.";
    card["power"] = "5";
    card["toughness"] = "4";
    card["colors"] = {"W"};
    card["color_identity"] = {"W"};
    card["keywords"] = {"Flash", "Flying"};
    card["legalities"] = legalities("legal");
    card["games"] = {"paper", "arena", "mtgo"};
    card["reserved"] = false;
    card["foil"] = true;
    card["nonfoil"] = true;
    card["finishes"] = {"nonfoil", "foil"};
    card["oversized"] = false;
    card["promo"] = false;
    card["reprint"] = true;
    card["variation"] = false;
    card["set_id"] = uuid("4eb6e6bc");
    card["set"] = SetMark;
    card["set_name"] = "Ravnica Allegiance";
    card["set_type"] = "expansion";
    card["set_uri"] = std::string("https://api.scryfall.com/sets/") + uuid("4eb6e6bc");
    card["set_search_uri"] = "https://api.scryfall.com/cards/search?order=set&q=e%3Arna&unique=prints";
    card["scryfall_set_uri"] = "https://scryfall.com/sets/rna?utm_source=api";
    card["rulings_uri"] = std::string("https://api.scryfall.com/cards/") + uuid("80164e61") + "/rulings";
    card["prints_search_uri"] =
        std::string("https://api.scryfall.com/cards/search?order=released&q=oracleid%3A") + uuid("fcfcac6b") +
        "&unique=prints";
    card["collector_number"] = NumberMark;
    card["digital"] = false;
    card["rarity"] = "rare";
    card["flavor_text"] = "“She comes when all hope is lost.”";
    card["card_back_id"] = uuid("0aeebaf5");
    card["artist"] = "Volkan Baga";
    card["artist_ids"] = {uuid("93bd5a1c")};
    card["illustration_id"] = uuid("2b3c4d5e");
    card["border_color"] = "black";
    card["frame"] = "2015";
    card["full_art"] = false;
    card["textless"] = false;
    card["booster"] = true;
    card["story_spotlight"] = false;
    card["edhrec_rank"] = 4123;
    card["penny_rank"] = 7781;
    card["prices"] = {{"usd", "0.25"}, {"usd_foil", "0.61"}, {"usd_etched", nullptr},
                      {"eur", "0.12"}, {"eur_foil", "0.40"}, {"tix", "0.03"}};
    card["related_uris"] = {
        {"gatherer", "https://gatherer.wizards.com/Pages/Card/Details.aspx?multiverseid=457145"},
        {"tcgplayer_infinite_articles",
         "https://tcgplayer.pxf.io/c/4931599/1830156/21018?subId1=api&trafcat=infinite"},
        {"edhrec", "https://edhrec.com/route/?cc=Card"}};
    card["purchase_uris"] = {
        {"tcgplayer", "https://tcgplayer.pxf.io/c/4931599/1830156/21018?subId1=api"},
        {"cardmarket", "https://www.cardmarket.com/en/Magic/Products/Search?referrer=scryfall"},
        {"cardhoarder", "https://www.cardhoarder.com/cards/71002?affiliate_id=scryfall"}};
    return card;
}

// A template's text split at its markers: pieces[i], then the value of
// marks[i], and so on.
struct CardTemplate {
    std::vector<std::string> pieces;
    std::vector<std::string> marks;

    explicit CardTemplate(const ordered_json& card) {
        std::string text = card.dump();
        for (;;) {
            std::size_t at = std::string::npos;
            const char* mark = nullptr;
            for (const char* m : {NameMark, NumberMark, IdMark, SetMark}) {
                const std::size_t found = text.find(m);
                if (found < at) at = found, mark = m;
            }
            pieces.push_back(text.substr(0, at));
            if (!mark) return;
            marks.push_back(mark);
            text.erase(0, at + std::strlen(mark));
        }
    }
    void write(std::string& out, const std::string& name, int number, const std::string& set) const {
        char id[16];
        std::snprintf(id, sizeof id, "%012d", number);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            out += pieces[i];
            if (i == marks.size()) break;
            const std::string& mark = marks[i];
            out += mark == NameMark  ? name
                   : mark == SetMark ? set
                   : mark == IdMark  ? id
                                     : std::to_string(number);
        }
    }
};

// Distinct card names of the usual length.
std::string cardName(int i) {
    static const char* const first[] = {"Mossback", "Skyreach", "Tidecaller", "Ashen",
                                        "Gloom",    "Ironbark", "Stormcrest", "Vale",
                                        "Cinder",   "Thorn",    "Duskwing",   "Sunforged"};
    static const char* const second[] = {"Titan", "Warden",   "Adept",  "Marshal", "Shaman", "Sentry",
                                         "Lash",  "Wanderer", "Herald", "Skiff",   "Drake",  "Oracle"};
    return std::string(first[i % 12]) + " " + second[(i / 12) % 12] + " " + std::to_string(i / 144 + 1);
}

std::string setCode(int set) {
    char code[16];
    std::snprintf(code, sizeof code, "S%03d", set % 1000);
    return code;
}

bool writeFile(const std::string& path, const std::string& text, std::FILE*& out) {
    if (!out) out = std::fopen(path.c_str(), "wb");
    return out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

// ---- The files of the run. ----

struct BulkFiles {
    fs::path folder;
    std::string db, allPrintings, oracleCards;
    std::string out;        // where the merges save, in memory
    std::string pickedSet;  // the last set of allPrintings
    std::uintmax_t allPrintingsBytes = 0, oracleCardsBytes = 0;
};

std::size_t targetBytes = std::size_t{300} << 20;

[[noreturn]] void die(const std::string& what) {
    std::fprintf(stderr, "bench: %s\n", what.c_str());
    std::exit(1);
}

// AllPrintings' shape: sets of SetCards cards, each a reprint of a card of
// the database, with the set's other members (booster sheets naming every
// card, tokens, sealed products) until the file is `targetBytes` long.
void writeAllPrintings(BulkFiles& f) {
    const CardTemplate card(mtgjsonCard());
    std::FILE* out = nullptr;
    std::string text = R"({"meta":{"date":"2024-05-17","version":"5.2.2+20240517"},"data":{)";
    int set = 0;
    for (std::size_t written = 0; written < targetBytes; ++set) {
        const std::string code = setCode(set);
        text += (set ? ",\"" : "\"") + code +
                "\":{\"baseSetSize\":300,\"block\":\"Core Set\",\"booster\":{\"default\":{";
        text +=
            R"("boosters":[{"contents":{"basic":1,"common":10,"rare":1,"uncommon":3},"weight":7}],"sheets":{"common":{"cards":{)";
        for (int i = 0; i < SetCards; ++i)
            text += (i ? ",\"" : "\"") + std::to_string(i) + "-5c9f3e1a-7b2d\":1";
        text += R"(},"foil":false,"totalWeight":300}}}},"cards":[)";
        for (int i = 0; i < SetCards; ++i) {
            if (i) text += ',';
            card.write(text, cardName((set * SetCards + i * 7) % DbCards), i + 1, code);
        }
        text += "],\"code\":\"" + code + "\",\"isFoilOnly\":false,\"isOnlineOnly\":false,\"keyruneCode\":\"" +
                code + "\",\"name\":\"Set " + code +
                "\",\"releaseDate\":\"2020-01-01\",\"sealedProduct\":[],";
        text += R"("tokens":[],"totalSetSize":300,"translations":{},"type":"expansion"})";
        written += text.size();
        if (!writeFile(f.allPrintings, text, out)) die("cannot write " + f.allPrintings);
        text.clear();
        f.pickedSet = code;
    }
    text += "}}";
    if (!writeFile(f.allPrintings, text, out) || std::fclose(out) != 0) die("cannot write " + f.allPrintings);
}

// oracle-cards' shape: one card object per name, the database's names among
// them, until the file is `targetBytes` long.
void writeOracleCards(BulkFiles& f) {
    const CardTemplate card(scryfallCard());
    std::FILE* out = nullptr;
    std::string text = "[";
    std::size_t written = 0;
    for (int i = 0; written < targetBytes; ++i) {
        if (i) text += ",\n";
        card.write(text, cardName(i), i + 1, setCode(i / SetCards));
        if (text.size() < ChunkFloorBytes) continue;
        written += text.size();
        if (!writeFile(f.oracleCards, text, out)) die("cannot write " + f.oracleCards);
        text.clear();
    }
    text += "]\n";
    if (!writeFile(f.oracleCards, text, out) || std::fclose(out) != 0) die("cannot write " + f.oracleCards);
}

// The database: 8192 cards of the names above, their texts in an older
// wording, their editions with room for one more.
void writeDatabase(BulkFiles& f) {
    const TablePtr table = emptyTable();
    for (int i = 0; i < DbCards; ++i) {
        CardRecord& card = table->slots[i];
        copyField(card.name, NameWidth, cardName(i).c_str());
        copyField(card.edition, EditionWidth, "4E-C, 5E-C");
        copyField(card.type, TypeWidth, "Summon Beast");
        copyField(card.cost, CostWidth, "3GG");
        copyField(card.pt, PtWidth, "5/4");
        copyField(card.text, TextWidth, "Trample\r\nWhen Card comes into play, you gain 3 life.");
        copyField(card.comment, CommentWidth, "A comment the user wrote.");
        card.colours = 0x10;
        card.active = 1;
    }
    table->slotCount = DbCards;
    FileProblem problem;
    if (!saveCardFile(f.db.c_str(), *table, &problem)) die(f.db + ": " + problem.what);
}

BulkFiles& files() {
    static BulkFiles* shared = [] {
        auto* f = new BulkFiles;
        f->folder = fs::temp_directory_path() / ("cardloom-bulk-bench-" + std::to_string(getpid()));
        fs::create_directories(f->folder);
        f->db = (f->folder / "cardinfo.dat").string();
        f->out = "/dev/shm/cardloom-bulk-bench-" + std::to_string(getpid()) + ".dat";
        f->allPrintings = (f->folder / "AllPrintings.json").string();
        f->oracleCards = (f->folder / "oracle-cards.json").string();
        writeDatabase(*f);
        writeAllPrintings(*f);
        writeOracleCards(*f);
        f->allPrintingsBytes = fs::file_size(f->allPrintings);
        f->oracleCardsBytes = fs::file_size(f->oracleCards);
        std::printf(
            "AllPrintings shape: %ju bytes (set %s picked, the last); oracle-cards shape: %ju bytes; "
            "database: %d cards\n",
            f->allPrintingsBytes, f->pickedSet.c_str(), f->oracleCardsBytes, DbCards);
        return f;
    }();
    return *shared;
}

// ---- What is measured. ----

// The peak resident memory of the children of each benchmark, in bytes.
std::map<std::string, long> peakMemory;

void readWhole(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_RDONLY);
        struct stat info {};
        if (fd < 0 || fstat(fd, &info) != 0) state.SkipWithError("cannot open the file");
        const auto size = static_cast<std::size_t>(info.st_size);
        const std::unique_ptr<char[]> bytes(new char[size]);
        std::size_t got = 0;
        ssize_t n = 0;
        while (got < size && (n = read(fd, bytes.get() + got, size - got)) > 0)
            got += static_cast<std::size_t>(n);
        close(fd);
        if (got != size) state.SkipWithError("short read");
        benchmark::DoNotOptimize(bytes.get());
    }
}

void readChunks(benchmark::State& state, const std::string& path) {
    const std::unique_ptr<char[]> chunk(new char[ChunkFloorBytes]);
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_RDONLY);
        if (fd < 0) state.SkipWithError("cannot open the file");
        while (read(fd, chunk.get(), ChunkFloorBytes) > 0) benchmark::DoNotOptimize(chunk.get());
        close(fd);
    }
}

// Runs cardinfo with `args`; its exit status must be `status`. Its peak
// memory goes to peakMemory[name], its processor time (user and system) per
// run to the counter ChildCpuCounter.
void runCardinfo(benchmark::State& state, const char* name, std::vector<std::string> args, int status) {
    args.insert(args.begin(), CARDINFO_EXE);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    long& peak = peakMemory[name];
    double cpuSeconds = 0;
    for (auto _ : state) {
        // A child's peak counts this process's peak from before its exec:
        // reset that to what this process holds now (the floors' buffers
        // are gone), which is far below the child's.
        std::FILE* clear = std::fopen("/proc/self/clear_refs", "w");
        if (!clear || std::fputs("5", clear) < 0 || std::fclose(clear) != 0)
            state.SkipWithError("cannot reset the peak memory (/proc/self/clear_refs)");
        pid_t child = 0;
        int wstatus = 0;
        struct rusage usage {};
        if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0 ||
            wait4(child, &wstatus, 0, &usage) != child || !WIFEXITED(wstatus) ||
            WEXITSTATUS(wstatus) != status)
            state.SkipWithError("cardinfo failed");
        peak = std::max(peak, usage.ru_maxrss * 1024L);
        cpuSeconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    posix_spawn_file_actions_destroy(&actions);
    state.counters[ChildCpuCounter] =
        benchmark::Counter(cpuSeconds * 1000, benchmark::Counter::kAvgIterations);
}

void allPrintingsWhole(benchmark::State& state) {
    readWhole(state, files().allPrintings);
}
void allPrintingsChunks(benchmark::State& state) {
    readChunks(state, files().allPrintings);
}
void oracleCardsWhole(benchmark::State& state) {
    readWhole(state, files().oracleCards);
}
void oracleCardsChunks(benchmark::State& state) {
    readChunks(state, files().oracleCards);
}

void mergeSet(benchmark::State& state) {
    const BulkFiles& f = files();
    runCardinfo(state, "merge_set",
                {"merge", "--code", "XX", "--set", f.pickedSet, "--output", f.out, f.db, f.allPrintings}, 0);
}

void diffSet(benchmark::State& state) {
    const BulkFiles& f = files();
    runCardinfo(state, "diff_set", {"diff", "--code", "XX", "--set", f.pickedSet, f.db, f.allPrintings}, 1);
}

void refresh(benchmark::State& state) {
    const BulkFiles& f = files();
    runCardinfo(state, "merge_existing_only",
                {"merge", "--existing-only", "--output", f.out, f.db, f.oracleCards}, 0);
}

BENCHMARK(allPrintingsWhole)->Name("allprintings_read_floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(allPrintingsChunks)->Name("allprintings_chunk_floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(mergeSet)->Name("merge_set")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(diffSet)->Name("diff_set")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(oracleCardsWhole)->Name("oracle_read_floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(oracleCardsChunks)->Name("oracle_chunk_floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(refresh)->Name("merge_existing_only")->UseRealTime()->Unit(benchmark::kMillisecond);

// The console report, followed by the median times, their ratios to both
// floors and each command's peak memory against its file's size.
class RatioReporter : public MedianReporter {
  public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const BulkFiles& f = files();
        struct Line {
            const char* command;
            const char* prefix;  // of its floors
            std::uintmax_t bytes;
        };
        for (const Line& line : {Line{"merge_set", "allprintings", f.allPrintingsBytes},
                                 Line{"diff_set", "allprintings", f.allPrintingsBytes},
                                 Line{"merge_existing_only", "oracle", f.oracleCardsBytes}}) {
            const double took = median(line.command);
            const double whole = median(std::string(line.prefix) + "_read_floor");
            const double chunks = median(std::string(line.prefix) + "_chunk_floor");
            if (took <= 0 || whole <= 0 || chunks <= 0) continue;
            const double cpu = medianCpu(line.command);
            const double wholeCpu = medianCpu(std::string(line.prefix) + "_read_floor");
            const double memory =
                static_cast<double>(peakMemory[line.command]) / static_cast<double>(line.bytes);
            std::printf(
                "%s: %.2f x the read floor (target <= 2), %.2f x the chunked floor (%.1f ms / %.1f ms / "
                "%.1f ms); peak memory %.3f x the file (%.1f MB; target <= 1.5)%s\n",
                line.command, took / whole, took / chunks, took, whole, chunks, memory,
                static_cast<double>(peakMemory[line.command]) / 1e6,
                took / whole <= 2 && memory <= 1.5 ? "" : "  ABOVE TARGET");
            std::printf("    processor time (user and system): %.2f x the read floor's (%.1f ms / %.1f ms)\n",
                        cpu / wholeCpu, cpu, wholeCpu);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    // --size_mb=N is this program's; the rest go to the benchmark library,
    // with five repetitions in a random interleaving unless they say otherwise.
    std::vector<char*> args = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], SizeFlag, std::strlen(SizeFlag)) == 0)
            targetBytes =
                static_cast<std::size_t>(std::strtoull(argv[i] + std::strlen(SizeFlag), nullptr, 10)) << 20;
        else
            args.push_back(argv[i]);
    }
    RatioReporter reporter;
    const int status = runBenchmarks(args, reporter, [] { files(); });
    std::error_code ignored;
    fs::remove_all(files().folder, ignored);
    fs::remove(files().out, ignored);
    return status;
}
