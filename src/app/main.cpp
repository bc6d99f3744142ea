#include "app/core.h"

int main(int argc, char** argv) { return zv::RunApplication(argc, argv); }
