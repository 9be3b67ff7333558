#include "topics.h"

namespace solvane::mqtt {

Topics::Topics(const std::string& module)
    : status("solvane/" + module + "/status"), state("solvane/" + module + "/state"),
      poll("solvane/" + module + "/poll"), command("solvane/" + module + "/command"),
      agent("solvane/" + module + "/agent") {}

} // namespace solvane::mqtt
