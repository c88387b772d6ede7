#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The monitor's state, settings files and log. Errors: reading and writing the settings
// and the log never fail to the caller (a file that cannot be read or written changes
// nothing and is not reported); a slot, field or item outside its table throws
// std::out_of_range, which the handler that asked logs.
namespace lindrel {

inline constexpr int kSlotCount = 5;

// Field numbers of a server slot; they are also the column order of "lindrel.dat".
enum ServerField : int {
    ServerName = 0,
    ServerIP = 1,
    ServerPort = 2,
    RconPwd = 3,
    GamePwd = 4,
    PlayerConfig = 5,
    OtherCmds = 6,
    StatsID = 7,
    GameTypeID = 8,
    ExePath = 9,
    DownNotify = 10,
};
inline constexpr int kServerFieldCount = 11;

// Five slots of eleven text fields, addressed as (slot, field).
class ServerTable {
public:
    std::string& operator()(int slot, int field) { return cells_.at(Index(slot)).at(Index(field)); }
    const std::string& operator()(int slot, int field) const {
        return cells_.at(Index(slot)).at(Index(field));
    }
    bool operator==(const ServerTable&) const = default;

private:
    static std::size_t Index(int value) { return static_cast<std::size_t>(value); }
    // Strings start empty without an initializer, and clang 14 crashes on "cells_{}" here.
    std::array<std::array<std::string, kServerFieldCount>, kSlotCount> cells_;
};

struct ServerStatusRecord {
    std::string MapName;
    std::string Players;
    std::string Ping;
    std::string ReportedName;
    std::string DownAlerted = "0";
};

enum GlobalItem : int {
    UserName = 0,
    Password = 1,
    FindPlayer1 = 2,
    FindPlayer2 = 3,
    FindPlayer3 = 4,
};
inline constexpr int kGlobalItemCount = 5;

class GlobalTable {
public:
    GlobalTable() { SetDefaults(); }
    std::string& operator[](int item) { return items_.at(static_cast<std::size_t>(item)); }
    const std::string& operator[](int item) const {
        return items_.at(static_cast<std::size_t>(item));
    }
    void SetDefaults();
    bool operator==(const GlobalTable&) const = default;

private:
    std::array<std::string, kGlobalItemCount> items_{};
};

class clsGameType {
public:
    void SetGamePassword(std::string value) { gamePassword_ = std::move(value); }
    const std::string& GamePassword() const { return gamePassword_; }
    void SetGameRCON(std::string value) { gameRcon_ = std::move(value); }
    const std::string& GameRCON() const { return gameRcon_; }
    void SetGameMOD(std::string value) { gameMod_ = std::move(value); }
    const std::string& GameMOD() const { return gameMod_; }
    void SetGameType(std::string value) { gameType_ = std::move(value); }
    const std::string& GameType() const { return gameType_; }
    void SetUID(std::int32_t value) { uid_ = value; }
    std::int32_t UID() const { return uid_; }

private:
    std::int32_t uid_ = 0;
    std::string gameType_;
    std::string gameMod_;
    std::string gameRcon_;
    std::string gamePassword_;
};

// Game types keyed "GT_" + UID, kept in insertion order. The list holds a handful of
// entries, so a linear search is the simplest thing that is fast enough.
class GameTypeCollection {
public:
    static std::string KeyFor(std::int32_t uid) { return "GT_" + std::to_string(uid); }

    // Returns false, leaving the collection as it was, when the key is taken.
    bool Add(const std::string& key, clsGameType record);
    const clsGameType* Find(std::string_view key) const;
    void Clear() { entries_.clear(); }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const clsGameType& at(std::size_t index) const { return entries_.at(index).second; }

private:
    std::vector<std::pair<std::string, clsGameType>> entries_;
};

// Everything the program shares between its parts, created once by main.
struct AppState {
    explicit AppState(std::string programFolder) : appFolder(std::move(programFolder)) {}

    // The full path of a file in the program's folder.
    std::string AppFile(std::string_view name) const;
    // The name under which a slot is shown.
    const std::string& ServerCaption(int slot) const;

    std::string appFolder;
    // Every service request is this text directly followed by its query.
    std::string StatsBaseURL;
    // The key an update's files must be signed with, as minisign.pub's second line has it;
    // empty in a build made without one, which takes no update.
    std::string UpdatePublicKey;
    ServerTable ServerData;
    ServerTable DefaultServers;
    std::array<ServerStatusRecord, kSlotCount> ServerStatus{};
    std::array<std::int32_t, kSlotCount> FindMark{};
    GlobalTable GlobalData;
    GameTypeCollection GameTypes;
    std::int32_t SelectedSlot = 0;
    bool DialogOpen = false;
    // The game program chooser's title, set at start-up, and the file it returned last
    // in this run, which it proposes the next time.
    std::string FileDialogTitle;
    std::string LastChosenFile;
};

// Joins a folder and a file name with exactly one separator between them.
std::string JoinPath(std::string_view folder, std::string_view name);

} // namespace lindrel
