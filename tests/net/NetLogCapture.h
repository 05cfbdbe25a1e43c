#pragma once

#include <QLoggingCategory>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

// Collects the lines logged on "quorlboard.net" while it lives (one at a time).
class NetLogCapture
{
public:
    NetLogCapture()
    {
        lines_.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("quorlboard.net.info=true"));
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& message) {
            if (context.category != nullptr && std::strcmp(context.category, "quorlboard.net") == 0)
                lines_.push_back(message.toStdString());
        });
    }
    ~NetLogCapture()
    {
        qInstallMessageHandler(nullptr);
        QLoggingCategory::setFilterRules(QString());
    }

    const std::vector<std::string>& Lines() const { return lines_; }
    bool Has(const std::string& line, bool prefixOnly = false) const
    {
        return std::any_of(lines_.begin(), lines_.end(), [&](const std::string& logged) {
            return prefixOnly ? logged.rfind(line, 0) == 0 : logged == line;
        });
    }

private:
    inline static std::vector<std::string> lines_;
};
