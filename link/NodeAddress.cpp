#include "link/NodeAddress.h"

#include "link/LinkLayer.h"

#include <mutex>

namespace {
std::mutex g_lendMutex;
int g_nLent = 0;                 // workers that hold g_nCurNode
std::optional<int> g_chosenNode; // chosen by the user while they do

std::optional<int> Digits(QStringView text, bool wholeText)
{
    int value = 0;
    qsizetype i = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        // Past the largest address the value can only grow: stop before it overflows.
        if (value > kNodeAddressMax)
            return std::nullopt;
    }
    if (wholeText ? i != text.size() : i == 0)
        return std::nullopt;
    return value;
}
}

bool IsNodeAddress(int node)
{
    return node >= kNodeAddressMin && node <= kNodeAddressMax;
}

std::optional<int> ParseNodeAddress(QStringView text)
{
    return Digits(text, true);
}

std::optional<int> LeadingNodeAddress(QStringView text)
{
    return Digits(text, false);
}

int NodeAddressOrDefault(int node)
{
    return IsNodeAddress(node) ? node : kDefaultNodeAddress;
}

int LendCurrentNode()
{
    std::lock_guard lock(g_lendMutex);
    if (g_nLent++ == 0)
        g_chosenNode.reset();
    return g_nCurNode;
}

void ReturnCurrentNode(int restore)
{
    std::lock_guard lock(g_lendMutex);
    if (g_chosenNode)
        restore = *g_chosenNode;
    if (g_nLent > 0 && --g_nLent == 0)
        g_chosenNode.reset();
    g_nCurNode = restore;
}

void ChooseCurrentNode(int node)
{
    std::lock_guard lock(g_lendMutex);
    if (g_nLent > 0)
        g_chosenNode = node;
    else
        g_nCurNode = node;
}
