#pragma once

// The HTML/ASP compaction filter.

#include "streams/Streams.h"

// Reads Input from its position to its end as lines, compacts them and
// writes the result to Output with one write. Input and Output may be the
// same stream. Frees neither; every failure is a stream exception.
void CompactHTML(TBaseStream& Input, TBaseStream& Output);
