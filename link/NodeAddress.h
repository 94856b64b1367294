#pragma once

#include <QString>
#include <optional>

// The one rule for a drive's node address, wherever one comes from: typed by the user
// ("Set"), picked in the search tree, stored as "CurNote" and read back at start-up.
constexpr int kNodeAddressMin = 0;
constexpr int kNodeAddressMax = 127;
// The node commands go to while nothing else is known.
constexpr int kDefaultNodeAddress = 1;

bool IsNodeAddress(int node);
// A node address as the user types it: decimal digits only (an empty text is 0) with a
// value up to 127. Texts of any length are read without overflow; anything else is nothing.
std::optional<int> ParseNodeAddress(QStringView text);
// The decimal number at the start of a text (up to its first non-digit) when it is a node
// address, as in a search tree item "Device:5,...".
std::optional<int> LeadingNodeAddress(QStringView text);
// A stored or given value when it is a node address, else the default.
int NodeAddressOrDefault(int node);

// Workers that address node after node (the node search, setting all nodes) borrow
// g_nCurNode and give it back at their end. A node the user chooses meanwhile is not put
// in place under the worker's feet: it waits and is what the worker gives back.
// Lend returns the current node; Return puts back `restore`, or the user's choice.
int LendCurrentNode();
void ReturnCurrentNode(int restore);
// The user's choice of the current node: in place at once, or when the worker returns it.
void ChooseCurrentNode(int node);
