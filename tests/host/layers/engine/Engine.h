#include "PlayCommand.h"
