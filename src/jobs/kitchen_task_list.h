#pragma once

namespace lumetra {

// Prints every queued kitchen ticket item on its slot's network printer and
// empties the list; keeps the list intact when the printers cannot be
// connected. Takes printerLock.
void flushKitchenTaskList();

}  // namespace lumetra
