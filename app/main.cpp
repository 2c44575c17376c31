#include "stilora.h"

int main(int argc, char* argv[])
{
    return runStilora(argc, argv);
}
