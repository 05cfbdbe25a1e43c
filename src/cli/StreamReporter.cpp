#include "StreamReporter.h"

#include <ostream>

void StreamReporter::ShowMessage(std::string_view text)
{
    out_ << text << '\n' << std::flush;
}
