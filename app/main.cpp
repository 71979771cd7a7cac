#include "app/start.h"

int main(int argc, char** argv) { return soru::runSoru(argc, argv); }
