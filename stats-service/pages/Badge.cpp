#include "pages/Badge.h"

#include "base/Encoding.h"

namespace lindrel::stats {

namespace {

// Characters, not bytes: each UTF-8 lead byte starts one.
std::size_t Characters(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8) {
        count += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u ? 1 : 0;
    }
    return count;
}

// Verdana 11 px, as badges are set, is about 7 px a character on average.
int TextWidth(std::string_view utf8) {
    return 10 + 7 * static_cast<int>(Characters(utf8));
}

} // namespace

std::string BadgeSvg(std::string_view name, BadgeState state, int players, int limit) {
    const std::string utf8 = ToUtf8(name);
    const std::string left(CutUtf8Characters(utf8, kMaxBadgeNameCharacters));
    const std::string right = state == BadgeState::Up
                                  ? std::to_string(players) + "/" + std::to_string(limit)
                              : state == BadgeState::Down ? "down"
                                                          : "maintenance";
    const char* colour = state == BadgeState::Up     ? "#4c1"
                         : state == BadgeState::Down ? "#e05d44"
                                                     : "#9f9f9f";
    const int leftWidth = TextWidth(left);
    const int rightWidth = TextWidth(right);
    const int width = leftWidth + rightWidth;
    const std::string leftText = HtmlEscape(left);
    const std::string w = std::to_string(width);
    const std::string lw = std::to_string(leftWidth);
    const std::string rw = std::to_string(rightWidth);
    const std::string label = leftText + ": " + right;
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w +
           "\" height=\"20\" role=\"img\" "
           "aria-label=\"" +
           label + "\"><title>" + label +
           "</title><linearGradient id=\"s\" x2=\"0\" y2=\"100%\"><stop offset=\"0\" "
           "stop-color=\"#bbb\" stop-opacity=\".1\"/><stop offset=\"1\" stop-opacity=\".1\"/>"
           "</linearGradient><clipPath id=\"r\"><rect width=\"" +
           w +
           "\" height=\"20\" "
           "rx=\"3\" fill=\"#fff\"/></clipPath><g clip-path=\"url(#r)\"><rect width=\"" +
           lw + "\" height=\"20\" fill=\"#555\"/><rect x=\"" + lw + "\" width=\"" + rw +
           "\" height=\"20\" fill=\"" + colour + "\"/><rect width=\"" + w +
           "\" height=\"20\" fill=\"url(#s)\"/></g><g fill=\"#fff\" text-anchor=\"middle\" "
           "font-family=\"Verdana,Geneva,DejaVu Sans,sans-serif\" font-size=\"11\"><text x=\"" +
           std::to_string(leftWidth / 2) + "\" y=\"14\">" + leftText + "</text><text x=\"" +
           std::to_string(leftWidth + rightWidth / 2) + "\" y=\"14\">" + right +
           "</text></g></svg>\n";
}

} // namespace lindrel::stats
