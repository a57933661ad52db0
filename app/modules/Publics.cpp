#include "../platform/services.h"
#include "publics.h"

namespace tk {

void ExecuteCommand(Services& services, const std::string& command) {
    if (auto error = services.shell.open(command))
        services.messages.show("Unable to execute command Error: " + *error, mb::kOkOnly,
                               kAppTitle);
}

}  // namespace tk
