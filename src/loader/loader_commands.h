#pragma once

// The loader's whole command set, for callers that use both kinds.
#include "loader/flash_commands.h"
#include "loader/logic_commands.h"
