#pragma once

#include <QLoggingCategory>
#include <QString>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

// Collects the lines logged on "quorlboard.net" while it lives.
class NetLogCapture
{
public:
    NetLogCapture()
    {
        instance_ = this;
        QLoggingCategory::setFilterRules(QStringLiteral("quorlboard.net.info=true"));
        previous_ = qInstallMessageHandler(&NetLogCapture::Handle);
    }
    ~NetLogCapture()
    {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
        instance_ = nullptr;
    }
    NetLogCapture(const NetLogCapture&) = delete;
    NetLogCapture& operator=(const NetLogCapture&) = delete;

    const std::vector<std::string>& Lines() const { return lines_; }
    bool Has(const std::string& line) const { return std::find(lines_.begin(), lines_.end(), line) != lines_.end(); }
    bool HasPrefix(const std::string& prefix) const
    {
        return std::any_of(lines_.begin(), lines_.end(),
                           [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    }

private:
    static void Handle(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (instance_ != nullptr && context.category != nullptr && std::strcmp(context.category, "quorlboard.net") == 0)
            instance_->lines_.push_back(message.toStdString());
    }

    inline static NetLogCapture* instance_ = nullptr;
    QtMessageHandler previous_ = nullptr;
    std::vector<std::string> lines_;
};
