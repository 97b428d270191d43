#include "game/key_table.h"

namespace novra {

KeyTable key_table{};

}  // namespace novra
