#include "output_file.h"

#include "failure.h"

#include <cerrno>
#include <cstdio>

namespace ferrowax {

namespace {

class StdioOutputFile final : public OutputFile {
public:
    explicit StdioOutputFile(std::FILE* file)
        : file_(file)
    {
    }
    ~StdioOutputFile() override
    {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    StdioOutputFile(const StdioOutputFile&) = delete;
    StdioOutputFile& operator=(const StdioOutputFile&) = delete;

    void write(QByteArrayView bytes) override
    {
        if (file_ == nullptr)
            throw Failure::fromErrno(EBADF);
        const auto size = static_cast<std::size_t>(bytes.size());
        if (std::fwrite(bytes.data(), 1, size, file_) != size) {
            const int error = errno;
            std::clearerr(file_);
            throw Failure::fromErrno(error);
        }
    }

    void close() override
    {
        std::FILE* file = file_;
        file_ = nullptr;
        if (file != nullptr && std::fclose(file) != 0)
            throw Failure::fromErrno(errno);
    }

private:
    std::FILE* file_;
};

} // namespace

std::unique_ptr<OutputFile> StdioOutputFiles::create(const QByteArray& path)
{
    std::FILE* file = std::fopen(path.constData(), "wb");
    if (file == nullptr)
        throw Failure::fromErrno(errno);
    return std::make_unique<StdioOutputFile>(file);
}

} // namespace ferrowax
