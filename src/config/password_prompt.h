#pragma once
// The seam through which reading an encrypted configuration file asks for its password.
// The GUI answers with the "Enter Configuration File Password" dialog, the CLI from a file or
// the environment, tests from a script. The core never waits on a person itself.

#include "base/presenter.h"

#include <filesystem>
#include <optional>
#include <string>

namespace vornex {

// The password dialog's buffer holds 39 characters; longer answers are cut to that.
inline constexpr std::size_t password_max_length = 39;

class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    // The password of the encrypted file `file`, or nullopt when the operator cancels.
    virtual std::optional<std::string> ask_config_password(OwnerWindow owner,
                                                           const std::filesystem::path& file) = 0;
};

} // namespace vornex
