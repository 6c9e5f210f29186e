// Program entry: hands the arguments unchanged to the run driver.
#include "driver/driver.h"

int main(int argc, char** argv) { return tvlgg(argc, argv); }
