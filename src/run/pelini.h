#pragma once
// The reader of PELTHOR's settings file "pelini.txt".
namespace kess {

struct AppState;

// Reads "pelini.txt" into the application state: values 1-8, lists A and B, values 19-27,
// then (each only while the file has not ended) the working folder, the two values after it
// and the rest of the 24 lines. `full` false stops after the two values that follow the
// working folder and keeps lines 2's lists out of the state, as start-up does.
// Throws FileError when the file cannot be opened or a fixed line is missing; what was read
// before the failure stays in the state.
void readpelini(AppState &state, bool full = true);

} // namespace kess
