#pragma once

// The HTML/ASP compaction filter.

#include <string_view>

#include "compact/CompactOptions.h"
#include "streams/Streams.h"

// The encoding that a byte-order mark at the start of Head names, when it
// is one in which ASCII characters are not single bytes ("UTF-16LE",
// "UTF-16BE", "UTF-32LE", "UTF-32BE"); null otherwise. Only the default
// rules take such text (as bytes, as they take anything); the modes that
// read a page as a browser does refuse it rather than corrupt it.
const char* WideEncoding(std::string_view Head);

// Refusal of such a page: the page (or "The page"), its encoding.
inline constexpr char SWideText[] =
    "%s is %s text (it begins with a byte-order mark): safe mode reads only encodings that "
    "write ASCII as single bytes, such as UTF-8 or a single-byte code page";

// Raises Exception(SWideText) with Name when Source, read from position 0,
// begins with such a mark; leaves Source at position 0 otherwise.
void RefuseWideText(TSeekableStream& Source, const std::string& Name);

// Reads Input from its position to its end as lines, compacts them and
// writes the result to Output with one write. Input and Output may be the
// same stream. Frees neither; every failure is a stream exception.
void CompactHTML(TBaseStream& Input, TBaseStream& Output, const TCompactOptions& Options = {});

inline constexpr char SResultTooLarge[] =
    "The compacted text has %s bytes, more than the limit of 2147483647 bytes";

// The write step of CompactHTML: writes Text to Output with one unbuffered
// WriteString. When Input and Output are the same object, a memory stream
// is cleared first and any other seekable stream is rewritten from position
// 0 and cut at the end of Text. A Text longer than 2^31-1 bytes cannot be
// written by one call: it raises EInOutError (SResultTooLarge) before
// Output is touched.
void WriteCompactedText(TBaseStream& Input, TBaseStream& Output, std::string_view Text);
