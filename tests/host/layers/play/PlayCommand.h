#include "RenderCommand.h"
#include "Session.h"
