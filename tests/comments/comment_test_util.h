#pragma once
// What the comment tests share: the scratch folder and file helpers, information built in one
// call, and a chooser that picks files from a script.

#include "comments/comment_file.h"
#include "comments/comments.h"
#include "config/device_config.h"
#include "scratch_files.h"

#include <array>
#include <deque>
#include <optional>

namespace vornex::test {

inline endpoint_info make_info(bool map_specific, std::array<std::string, 4> ids,
                               std::string comment) {
    endpoint_info info;
    info.map_specific = map_specific;
    info.identifiers = std::move(ids);
    info.comment = std::move(comment);
    return info;
}

// A copy of the information stored under `key`; nullopt when there is none.
inline std::optional<endpoint_info> stored(const CommentStore& box, const EndpointKey& key) {
    const endpoint_info* info = comment_find(box, key);
    return info != nullptr ? std::optional(*info) : std::nullopt;
}

// Answers comment_file_browse with the next path of the script (nullopt or an empty script:
// the operator cancels).
class ScriptedChooser : public CommentFileChooser {
public:
    std::deque<std::optional<std::filesystem::path>> picks;
    int browsed = 0;

    int comment_file_browse(OwnerWindow, device_config& config) override {
        ++browsed;
        if (picks.empty() || !picks.front()) {
            if (!picks.empty()) {
                picks.pop_front();
            }
            return 1;
        }
        config.comment_file = *picks.front();
        picks.pop_front();
        return 0;
    }
};

} // namespace vornex::test
