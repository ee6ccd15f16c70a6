#include "BaselineMath.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace ravlin::modelgen {

void runOnBaselineMath(char** argv)
{
    const char* current = std::getenv("GLIBC_TUNABLES");
    if (current != nullptr && std::strstr(current, kBaselineMathTunable) != nullptr)
        return;
    const std::string tunables = current != nullptr && *current != '\0'
                                     ? std::string(current) + ":" + kBaselineMathTunable
                                     : kBaselineMathTunable;
    if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) == 0)
        execv("/proc/self/exe", argv);
    std::fprintf(stderr,
                 "ravlin-modelgen: warning: could not restart on the baseline maths variants (%s); the files may "
                 "differ in their last bits from another processor's\n",
                 std::strerror(errno));
}

} // namespace ravlin::modelgen
