#include "startup.h"
#include "zentavoapplication.h"

int main(int argc, char** argv) {
    ZentavoApplication app(argc, argv);
    return runStartup(app);
}
