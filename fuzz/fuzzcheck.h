#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken promise of the code under test: report it and abort, so that libFuzzer keeps the
// input and the corpus replay fails.
#define FUZZ_CHECK(condition) \
    do { \
        if (!(condition)) { \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort(); \
        } \
    } while (false)

// Reads the input front to back; past its end every read gives zeros.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size)
        : m_data(data)
        , m_size(size)
    { }

    bool atEnd() const { return m_pos >= m_size; }
    size_t remaining() const { return m_pos < m_size ? m_size - m_pos : 0; }

    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    template<typename Int>
    Int integer()
    {
        uint64_t value = 0;
        for (size_t i = 0; i < sizeof(Int); ++i)
            value = (value << 8) | byte();
        return Int(value);
    }

    // Everything not read yet.
    const char *rest() const { return reinterpret_cast<const char *>(m_data + m_pos); }
    void skipRest() { m_pos = m_size; }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
