#pragma once

// The HTML/ASP compaction filter.

#include <string_view>

#include "compact/CompactOptions.h"
#include "streams/Streams.h"

// Reads Input from its position to its end as lines, compacts them and
// writes the result to Output with one write. Input and Output may be the
// same stream. Frees neither; every failure is a stream exception.
void CompactHTML(TBaseStream& Input, TBaseStream& Output, const TCompactOptions& Options = {});

// The write step of CompactHTML: writes Text to Output with one unbuffered
// WriteString. When Input and Output are the same object, a memory stream
// is cleared first and any other seekable stream is rewritten from position
// 0 and cut at the end of Text. A Text longer than 2^31-1 bytes cannot be
// written by one call: it raises EInOutError before Output is touched.
void WriteCompactedText(TBaseStream& Input, TBaseStream& Output, std::string_view Text);
