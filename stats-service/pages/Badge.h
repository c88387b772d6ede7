#pragma once

#include <string>
#include <string_view>

// A server's badge for a clan's web site: an SVG image in the common two-part style, the
// server's name on the left and its state on the right. Errors: none.
namespace lindrel::stats {

enum class BadgeState { Up, Down, Maintenance };

// "12/16" on green when up, "down" on red, "maintenance" on grey; the name escaped so
// that nothing in it becomes markup, and cut to kMaxBadgeNameCharacters.
inline constexpr std::size_t kMaxBadgeNameCharacters = 48;
std::string BadgeSvg(std::string_view name, BadgeState state, int players, int limit);

} // namespace lindrel::stats
