#pragma once

namespace Utils {

// Empty common base of the records, clients and video widgets; adds nothing to their layout.
class MemoryChecker
{
};

} // namespace Utils
