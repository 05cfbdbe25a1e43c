#pragma once

#include <QLoggingCategory>
#include <QString>

#include <string>
#include <vector>

// The warnings logged while the latest one lives, each as "category: text".
class LoggedWarnings
{
public:
    LoggedWarnings()
    {
        Lines().clear();
        previous_ = qInstallMessageHandler(&Record);
    }
    ~LoggedWarnings() { qInstallMessageHandler(previous_); }
    LoggedWarnings(const LoggedWarnings&) = delete;
    LoggedWarnings& operator=(const LoggedWarnings&) = delete;

    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    static size_t Count(const std::string& category)
    {
        size_t count = 0;
        for (const std::string& line : Lines())
            count += line.rfind(category + ":", 0) == 0 ? 1 : 0;
        return count;
    }

private:
    static void Record(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtWarningMsg)
            Lines().push_back(std::string(context.category != nullptr ? context.category : "") + ": " +
                              text.toStdString());
    }
    QtMessageHandler previous_;
};
