#pragma once

#include "notify/Webhook.h"

#include <string>
#include <string_view>

// A clan's own wording of an event's message: a text of at most kMaxTemplateBytes with
// the placeholders {name}, {address}, {map}, {players}, {max}, {joined}, {left} and
// {free}. Errors are values: TemplateProblem says what is wrong with a text.
namespace lindrel::stats {

inline constexpr std::size_t kMaxTemplateBytes = 1000;
// Discord refuses a message's content over this many characters.
inline constexpr std::size_t kMaxDiscordCharacters = 2000;

// Empty when the text can be used, else why not (an unknown placeholder, a brace without
// its mate, over kMaxTemplateBytes).
std::string TemplateProblem(std::string_view text);

// The text with each placeholder replaced by the event's value, each value escaped for
// the target as the built-in texts are (Slack's markup characters; Discord's and the
// JSON's bodies are JSON strings, and Discord is asked to ping nobody). The template's own
// text is the admin's and stays as written. {joined} and {left} name the players as the
// built-in texts do, at most kMaxNamesInMessage and a count of the rest.
std::string FillTemplate(std::string_view text, const ServerEvent& event, WebhookFormat format);

} // namespace lindrel::stats
