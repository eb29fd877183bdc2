#include "state/app_state.h"

AppState App;
