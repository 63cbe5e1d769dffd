#include "app/run.h"

int main(int argc, char** argv) { return verolt::app::run(argc, argv); }
