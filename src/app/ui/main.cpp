#include <cstdio>
#include <cstdlib>

#include "app/ui/search-app.h"

int main(int argc, char** argv)
{
    velmora::SearchApp app(argc, argv);
    const int result = app.InitInstance();
    // Workers still blocked on the network are not waited for.
    std::fflush(stdout);
    std::_Exit(result);
}
