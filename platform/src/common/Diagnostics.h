#pragma once
// The layer's own diagnostics: one line each on stderr, named after the interface family that
// writes it ("Direct3D: texture format 21 is not supported"). The engine's log files never see
// them; they are for whoever runs the program or a test.
#include <string_view>

namespace Diagnostics {

enum class Severity { Error, Warning, Info };

// "<source>: <message>" (just the message for a null source) as one line, written at once so
// lines from the sound and video threads do not mix. Lines less severe than the threshold are
// dropped.
void error(const char* source, const char* format, ...) __attribute__((format(printf, 2, 3)));
void warning(const char* source, const char* format, ...) __attribute__((format(printf, 2, 3)));
void info(const char* source, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Every line is written unless a test or a tool asks for less.
void setThreshold(Severity least);
Severity threshold();

// All of `text` on stderr, continued after interruptions: the console stand-in and the message
// boxes write here too.
void writeStderr(std::string_view text);
// All of the text to a file descriptor, through interruptions; false when it cannot be written.
bool writeAll(int fd, std::string_view text);

} // namespace Diagnostics
