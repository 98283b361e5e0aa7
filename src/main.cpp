#include "dock.h"

int main(int argc, char **argv)
{
    runApplet(argc, argv);
}
