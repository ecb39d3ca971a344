// The one instance of the program-wide record.
#include "game/shell/record.h"

ProgramRecord Record;
