/*
** db2zav.cpp
**   The db2zav command: everything happens in mainRun (driver/zormain.h).
*/
#include "driver/zormain.h"

int main(int argc, char **argv)
{
  mainRun(argc, argv);
}
