#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

// Host name lookups that hold nobody up: each runs on a thread of its own,
// which is left behind when its answer is no longer wanted. The resolver
// cannot be interrupted, and neither a send nor the program's exit may wait
// for it.
class HostLookup : public QObject
{
    Q_OBJECT

public:
    // address: dotted IPv4 text, empty when the name has none.
    using Answer = std::function<void(const std::string& address)>;

    explicit HostLookup(QObject* parent = nullptr);
    // Answers still to come are dropped.
    ~HostLookup() override;

    // name: UTF-8. answer runs later on this object's thread.
    void Start(const std::string& name, Answer answer);

    // The first IPv4 address the resolver gives for the name, outside 127/8
    // when skipLoopback; empty when there is none. Blocks.
    static std::string Resolve(const std::string& name, bool skipLoopback);

private:
    struct Link;
    std::shared_ptr<Link> link_;
};
