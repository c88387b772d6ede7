// A player-list reply of any text: rows are built only from lines that are there.
#include "base/Text.h"
#include "core/AppState.h"
#include "service/Players.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class View : public lindrel::PlayerListView {
public:
    void SetListHeight(int) override {}
    void ShowNoPlayers() override {}
    void ShowRows(int) override {}
    void ConfigureScrollBar(int maximum, int) override {
        if (maximum <= 0) {
            std::abort();
        }
    }
    void AddRow(int row, const std::string&, const std::string&, const std::string&,
                bool) override {
        if (row != rows++) {
            std::abort();
        }
    }
    int rows = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    lindrel::AppState state("/nonexistent");
    View view;
    lindrel::ApplyPlayersReply(state, 2, input, view);
    const auto lines = lindrel::Split(lindrel::TrimSpaces(input), '\n').size();
    if (static_cast<std::size_t>(view.rows) * 2 + 2 > lines && view.rows > 0) {
        std::abort();
    }
    return 0;
}
