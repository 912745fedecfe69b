// One tester per user session: a lock file named after the instance's name
// in the user's runtime folder.
#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace orrick::ui {

class SingleInstance {
public:
    static constexpr const char* kName = "Orrick-{44E678F7-DA79-11d3-9FE9-006067718D04}";

    // folder empty: the user's runtime folder.
    explicit SingleInstance(const QString& folder = {});
    // False when another tester holds the lock, or the lock cannot be made.
    bool IsFirst() const { return first_; }

private:
    std::unique_ptr<QLockFile> lock_;
    bool first_ = false;
};

} // namespace orrick::ui
