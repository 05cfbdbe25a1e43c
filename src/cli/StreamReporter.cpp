#include "StreamReporter.h"

#include "CliUsage.h"
#include "board/BoardTexts.h"

#include <cerrno>
#include <ostream>
#include <sys/stat.h>

void StreamReporter::SetBoard(const std::string& file, const std::string& folder)
{
    file_ = file;
    folder_ = folder;
}

void StreamReporter::ShowMessage(std::string_view text)
{
    out_ << CliUsage::kProgramName << ": ";
    const bool aboutTheFile =
        text == BoardTexts::kCannotRead || text == BoardTexts::kReadError || text == BoardTexts::kCannotWrite;
    if (!aboutTheFile || file_.empty()) {
        out_ << text << '\n' << std::flush;
        return;
    }
    out_ << file_ << ": " << text;
    struct stat st {};
    if (::stat(file_.c_str(), &st) != 0 && errno == ENOENT)
        out_ << " (there is no board: '" << CliUsage::kProgramName << " init --folder " << folder_
             << "' creates one)";
    out_ << '\n' << std::flush;
}
