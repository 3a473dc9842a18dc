#pragma once
namespace kess {
struct AppState;
// One tick of the reply poll: reads "imcode.txt" into the mode reply. A tick that cannot read
// the file (missing, or being written by a companion program) leaves the mode reply as it was.
void pollReply(AppState &state);
// Writes the mode code into "imcode.txt" as a numeric record. The file then holds that code, so
// the mode reply becomes it too: an answer left over from an earlier step can never be taken
// for the answer to this one. Throws FileError when the file cannot be written.
void writeModeCode(AppState &state, int code);
} // namespace kess
