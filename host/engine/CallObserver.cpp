#include "CallObserver.h"

CallObserver* CallObserver::s_installed = nullptr;

void CallObserver::Install(CallObserver* observer) { s_installed = observer; }
