#include "CliCommands.h"

#include "AttachmentCopier.h"
#include "CliConfig.h"
#include "CliInput.h"
#include "CliNetwork.h"
#include "CliSettings.h"
#include "CliText.h"
#include "CliUsage.h"
#include "board/EmptyBoardWriter.h"
#include "board/AttachmentFolder.h"
#include "board/BoardTexts.h"
#include "board/CBoardData.h"
#include "core/FilePath.h"
#include "core/HostIdentity.h"

#include <ctime>
#include <ostream>

namespace {

constexpr const char* kDateFormat = "%Y%m%d%H%M%S";
constexpr size_t kDateBufferSize = 32;

std::string CurrentDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[kDateBufferSize] = {};
    std::strftime(text, sizeof text, kDateFormat, &local);
    return text;
}

} // namespace

CliCommands::CliCommands(int inputFd, std::ostream& out, std::ostream& err, CliSettings& settings)
    : inputFd_(inputFd), out_(out), err_(err), settings_(settings), reporter_(err)
{
}

int CliCommands::Fail(const std::string& text)
{
    err_ << CliUsage::kProgramName << ": " << text << '\n';
    return kExitFailure;
}

bool CliCommands::ResolveFolder(const CliRequest& request, std::string& folder)
{
    folder = request.folder.empty() ? settings_.MessageFolder() : request.folder;
    if (!folder.empty())
        return true;
    Fail("no message file folder: give --folder DIR or choose a folder in the settings");
    return false;
}

int CliCommands::Run(const CliRequest& request)
{
    if (std::string problem; !settings_.Readable(problem))
        return Fail(problem);
    switch (request.command) {
    case CliRequest::Command::Send:
        return CliNetwork(out_, err_, settings_).Send(request);
    case CliRequest::Command::Listen:
        return CliNetwork(out_, err_, settings_).Listen(request);
    case CliRequest::Command::Config:
        return CliConfig(out_, err_).Run(request);
    default:
        break;
    }
    std::string folder;
    if (!ResolveFolder(request, folder))
        return kExitFailure;
    if (request.command == CliRequest::Command::Init)
        return Init(folder, request);

    CBoardData board(&reporter_);
    board.SetFilePath(AttachmentFolder::Join(folder, CBoardData::kFileName));
    reporter_.SetBoard(board.FilePath(), folder);
    switch (request.command) {
    case CliRequest::Command::List:
        return List(board);
    case CliRequest::Command::Show:
        return Show(board, request);
    case CliRequest::Command::Post:
        return Post(board, folder, request);
    case CliRequest::Command::Delete:
        return Delete(board, folder, request);
    default:
        break;
    }
    return kExitFailure;
}

int CliCommands::Init(const std::string& folder, const CliRequest& request)
{
    if (const std::error_code failure = FilePath::MakeFolders(folder))
        return Fail("cannot create the folder " + folder + ": " + failure.message());
    const std::string path = AttachmentFolder::Join(folder, CBoardData::kFileName);
    const Status created = EmptyBoardWriter::Create(path, request.encoding);
    if (created.ok())
        return kExitSuccess;
    if (created.code() == std::errc::file_exists)
        return Fail(path + " already exists; it was left as it is");
    return Fail("cannot create " + path + ": " + created.code().message());
}

int CliCommands::List(CBoardData& board)
{
    std::vector<BoardMessage> messages;
    if (board.LoadMessages(messages) != 0)
        return kExitFailure;
    for (const BoardMessage& m : messages) {
        out_ << m.number << '\t' << m.priority << '\t' << m.attach;
        for (const std::string* text : {&m.date, &m.hostname, &m.name, &m.title})
            out_ << '\t' << CliText::EscapeField(CliText::ToTerminal(*text));
        out_ << '\n';
    }
    return kExitSuccess;
}

CliCommands::Lookup CliCommands::Find(CBoardData& board, int32_t number, BoardMessage& message)
{
    // The store leaves the record alone when no message has the number. A
    // found message always gets its title replaced, and text read from XML
    // never holds a NUL character, so this title cannot survive a find.
    const std::string notFound(1, '\0');
    message = BoardMessage();
    message.number = number;
    message.title = notFound;
    if (board.ReadMessage(message) != 0)
        return Lookup::Failed;
    if (message.title == notFound) {
        reporter_.ShowMessage(BoardTexts::kNoSuchMessage);
        return Lookup::Missing;
    }
    return Lookup::Found;
}

int CliCommands::Show(CBoardData& board, const CliRequest& request)
{
    BoardMessage m;
    if (Find(board, request.number, m) != Lookup::Found)
        return kExitFailure;
    out_ << "title: " << CliText::ToTerminal(m.title) << '\n'
         << "name: " << CliText::ToTerminal(m.name) << '\n'
         << "priority: " << m.priority << '\n'
         << "attach: " << m.attach << '\n'
         << "date: " << CliText::ToTerminal(m.date) << '\n'
         << "hostname: " << CliText::ToTerminal(m.hostname) << '\n'
         << "number: " << m.number << '\n'
         << '\n';
    const std::string contents = CliText::ToTerminal(m.contents);
    out_ << contents;
    if (!contents.empty() && contents.back() != '\n')
        out_ << '\n';
    return kExitSuccess;
}

std::string CliCommands::PosterName(const CliRequest& request)
{
    if (request.name)
        return CliText::ToBoard(*request.name, "name", err_);
    if (std::string stored = settings_.UserName(); !stored.empty())
        return stored;
    return CliText::ToBoard(HostIdentity::LoginName(), "login name", err_);
}

int CliCommands::Post(CBoardData& board, const std::string& folder, const CliRequest& request)
{
    if (const Status checked = AttachmentCopier::CheckSources(request.attachments); !checked.ok())
        return Fail("cannot attach " + checked.Text());

    for (const auto& [value, what] : {std::pair{&request.title, "title"}, {&request.name, "name"}}) {
        if (std::string unfit = *value ? CliText::Unfit(**value, what) : ""; !unfit.empty())
            return Fail(unfit);
    }
    std::string contents;
    if (!ReadContents(contents))
        return kExitFailure;

    BoardMessage m;
    m.title = CliText::ToBoard(*request.title, "title", err_);
    m.name = PosterName(request);
    m.priority = request.priority;
    m.attach = request.attachments.empty() ? 0 : 1;
    m.date = CurrentDate();
    m.hostname = CliText::ToBoard(HostIdentity::HostName(), "host name", err_);

    if (m.attach != 0 && AttachmentFolder::AttachmentFolderPath(folder, m.hostname, m.date).empty())
        return Fail("the host name '" + CliText::ToTerminal(m.hostname) + "' cannot name an attachment folder");
    m.contents = CliText::ToBoard(contents, "contents", err_);

    if (board.AddMessage(m) != 0)
        return kExitFailure;
    // The store may have moved the date on: the folder is named by the date stored.
    const std::string attachFolder = AttachmentFolder::AttachmentFolderPath(folder, m.hostname, m.date);
    const Status copied = m.attach == 0 ? Status() : AttachmentCopier::CopyInto(attachFolder, request.attachments);
    // The message is on the board even when its attachments are not: the
    // members are told in either case.
    const Status announced =
        request.announce ? CliNetwork(out_, err_, settings_).AnnounceChanged(m.number, request) : Status();
    if (!copied.ok()) {
        return Fail("message " + std::to_string(m.number) +
                    " was added, but its attachments were not all copied: " + copied.Text());
    }
    out_ << m.number << '\n';
    if (!announced.ok())
        return Fail("message " + std::to_string(m.number) + " was added, but the members were not told: " +
                    announced.Text());
    return kExitSuccess;
}

bool CliCommands::ReadContents(std::string& contents)
{
    if (const Status read = CliInput::ReadAll(inputFd_, CBoardData::kMaxTextBytes, contents); !read.ok()) {
        Fail(read.code() == QuorlError::TooLong ? CliText::TooLong("contents")
                                                : "cannot read the contents from standard input: " + read.Text());
        return false;
    }
    const std::string unfit = CliText::Unfit(contents, "contents");
    if (!unfit.empty())
        Fail(unfit);
    return unfit.empty();
}

int CliCommands::Delete(CBoardData& board, const std::string& folder, const CliRequest& request)
{
    if (request.number <= 0) {
        board.DeleteMessage(request.number); // the store explains why
        return kExitFailure;
    }
    BoardMessage m;
    if (Find(board, request.number, m) != Lookup::Found)
        return kExitFailure;
    const std::string host = HostIdentity::HostName();
    if (CliText::ToTerminal(m.hostname) != host) {
        return Fail("message " + std::to_string(m.number) + " was written on another computer (" +
                    CliText::ToTerminal(m.hostname) + "), not on " + host + "; it can only be deleted there");
    }
    if (board.DeleteMessage(request.number) != 0)
        return kExitFailure;
    if (!board.FolderNamedByAnother(m.hostname, m.date, m.number))
        AttachmentFolder::RemoveAttachmentFolder(AttachmentFolder::AttachmentFolderPath(folder, m.hostname, m.date));
    if (!request.announce)
        return kExitSuccess;
    if (const Status announced = CliNetwork(out_, err_, settings_).AnnounceDeleted(request); !announced.ok()) {
        return Fail("message " + std::to_string(m.number) + " was deleted, but the members were not told: " +
                    announced.Text());
    }
    return kExitSuccess;
}
