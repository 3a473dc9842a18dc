#pragma once
namespace kess {
// Shows the program's notices and questions in message boxes.
void installMessageBoxes();
} // namespace kess
