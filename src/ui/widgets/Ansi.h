#pragma once

#include <QString>
#include <string>

namespace lindrel {

// The program's texts are single-byte Windows-1252; Qt's are Unicode. These convert at
// the window boundary. A character Windows-1252 cannot hold becomes "?".
QString FromAnsi(const std::string& text);
// What game servers name (a server, a map, players): UTF-8 when the bytes are valid UTF-8,
// else Windows-1252, as the stats service's page reads them.
QString FromGameText(const std::string& text);
std::string ToAnsi(const QString& text);

} // namespace lindrel
