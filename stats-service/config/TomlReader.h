#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <toml++/toml.h>
#include <unordered_set>
#include <vector>

namespace lindrel::stats {

// Reads the keys of one configuration table, each against its type and bounds, and marks
// what it read so that Finish can refuse the keys nobody knows. Every method returns false
// with error set to a message that names the key (such as "service.refresh_ms"); a key
// that is absent leaves the target as it was.
class TomlReader {
public:
    TomlReader(const toml::table& table, std::string path, std::string& error)
        : table_(table), path_(std::move(path)), error_(error) {}

    bool Int(std::string_view key, std::int64_t min, std::int64_t max, std::int64_t& into);
    template <typename Value>
    bool Number(std::string_view key, std::int64_t min, std::int64_t max, Value& into) {
        auto value = static_cast<std::int64_t>(into);
        if (!Int(key, min, max, value)) {
            return false;
        }
        into = static_cast<Value>(value);
        return true;
    }
    // A whole number of the duration's own unit (milliseconds for "_ms", days for "_days").
    template <typename Rep, typename Period>
    bool Duration(std::string_view key, std::int64_t min, std::int64_t max,
                  std::chrono::duration<Rep, Period>& into) {
        auto count = static_cast<std::int64_t>(into.count());
        if (!Int(key, min, max, count)) {
            return false;
        }
        into = std::chrono::duration<Rep, Period>(static_cast<Rep>(count));
        return true;
    }
    bool Bool(std::string_view key, bool& into);
    // A text of at most maxBytes without NUL, CR or LF (nor any of forbidden).
    bool Text(std::string_view key, std::string& into, std::size_t maxBytes,
              std::string_view forbidden = {});
    // A list of at most limit texts, each as Text takes it; an absent key leaves into as
    // it was.
    bool TextList(std::string_view key, std::size_t limit, std::size_t maxBytes,
                  std::vector<std::string>& into);
    // A list of at most limit ids, each from 1 to 2^31-1, added to into.
    bool IdList(std::string_view key, std::size_t limit, std::vector<int>& into);
    // The entries of an array of tables ([[key]]), at most limit; an absent key gives none.
    bool Tables(std::string_view key, std::size_t limit, std::vector<const toml::table*>& tables);
    // Whether the key is present, marking it as known.
    bool Has(std::string_view key);
    const toml::node* Node(std::string_view key);
    // A message for a key whose value has the wrong shape; always false.
    bool Fail(std::string_view key, std::string_view what);
    // False when the table holds a key no reader asked for.
    bool Finish();
    std::string Name(std::string_view key) const;

private:
    const toml::table& table_;
    std::string path_;
    std::string& error_;
    std::unordered_set<std::string> known_;
};

// A text taken from an array element or a table value: the same rules as TomlReader::Text.
bool CheckText(std::string_view text, std::size_t maxBytes, std::string_view forbidden);

} // namespace lindrel::stats
