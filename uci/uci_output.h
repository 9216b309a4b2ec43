// Lines to the interface. The input reader answers "isready" while the search writes its info
// lines, so every line goes out whole, under one lock, and is flushed at once.
#pragma once

#include <string>

void send_line(const std::string& line);
