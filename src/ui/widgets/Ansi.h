#pragma once

#include <QString>
#include <string>

namespace lindrel {

// The program's texts are single-byte Windows-1252; Qt's are Unicode. These convert at
// the window boundary. A character Windows-1252 cannot hold becomes "?".
QString FromAnsi(const std::string& text);
std::string ToAnsi(const QString& text);

} // namespace lindrel
