#pragma once

// The in-memory destination and source of the JPEG library, and its error manager, written
// once for every build. `Lib` describes one build (see the jpeg_build_*.cpp files): its
// structure types, which each build's translation unit declares in a namespace of its own.
//
// The library keeps a pointer to the public part of each manager; each class below is
// standard-layout with that part as its first member, so the pointer leads back to the
// whole object. Nothing here owns memory with a destructor: the library leaves callbacks
// with longjmp.

#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <type_traits>
#include <vector>

namespace norvane::jpeg_builds {

// Error manager whose fatal-error handler jumps back to the adapter instead of ending the
// process. Warnings (recoverable corrupt data) are counted by the library but not printed.
template <class Lib>
struct JumpingErrorManager {
  typename Lib::ErrorManager manager;
  std::jmp_buf jump;

  template <class Info>
  void Install(Info& cinfo) {
    static_assert(std::is_standard_layout_v<JumpingErrorManager>);
    cinfo.err = Lib::StdError(&manager);
    manager.error_exit = &Exit;
    manager.output_message = &Silent;
  }

  [[noreturn]] static void Exit(typename Lib::Common* cinfo) {
    std::longjmp(reinterpret_cast<JumpingErrorManager*>(cinfo->err)->jump, 1);
  }
  static void Silent(typename Lib::Common*) {}
};

// Raises the library's fatal error from inside one of our callbacks.
template <class Lib, class Info>
[[noreturn]] void FailFromCallback(Info* cinfo) {
  auto* common = reinterpret_cast<typename Lib::Common*>(cinfo);
  JumpingErrorManager<Lib>::Exit(common);
}

// Encoder output: the library writes into a 16 KiB work buffer; each full buffer, and at the
// end the used part, is appended to the caller's growing stream, so the compressed size need
// not be known in advance.
template <class Lib>
class MemoryDestination {
 public:
  static constexpr std::size_t kWorkBufferSize = 0x4000;
  using Compress = typename Lib::Compress;

  void Install(Compress& cinfo, std::vector<uint8_t>& stream) {
    static_assert(std::is_standard_layout_v<MemoryDestination>);
    static_assert(sizeof(typename Lib::Octet) == 1);
    stream_ = &stream;
    manager_.init_destination = &Init;
    manager_.empty_output_buffer = &EmptyBuffer;
    manager_.term_destination = &Terminate;
    cinfo.dest = &manager_;
  }

 private:
  static MemoryDestination& Of(Compress* cinfo) {
    return *reinterpret_cast<MemoryDestination*>(cinfo->dest);
  }

  static void Init(Compress* cinfo) {
    MemoryDestination& self = Of(cinfo);
    self.manager_.next_output_byte = self.work_.data();
    self.manager_.free_in_buffer = kWorkBufferSize;
  }

  // The library calls this only when the whole work buffer is full.
  static typename Lib::Boolean EmptyBuffer(Compress* cinfo) {
    MemoryDestination& self = Of(cinfo);
    if (!self.Append(kWorkBufferSize)) FailFromCallback<Lib>(cinfo);
    self.manager_.next_output_byte = self.work_.data();
    self.manager_.free_in_buffer = kWorkBufferSize;
    return 1;
  }

  static void Terminate(Compress* cinfo) {
    MemoryDestination& self = Of(cinfo);
    if (!self.Append(kWorkBufferSize - self.manager_.free_in_buffer)) FailFromCallback<Lib>(cinfo);
  }

  // No exception may cross the library's C frames: a failed allocation becomes a result here,
  // and the caller raises the library's fatal error once this frame has ended.
  bool Append(std::size_t count) noexcept {
    try {
      const auto* begin = reinterpret_cast<const uint8_t*>(work_.data());
      stream_->insert(stream_->end(), begin, begin + count);
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  typename Lib::Destination manager_;
  std::vector<uint8_t>* stream_;
  std::array<typename Lib::Octet, kWorkBufferSize> work_;
};

// Decoder input: the whole compressed stream, handed to the library on its first request.
// A further request means the stream ended early: the library is told to suspend, which the
// adapter treats as failure.
template <class Lib>
class MemorySource {
 public:
  using Decompress = typename Lib::Decompress;

  void Install(Decompress& cinfo, std::span<const uint8_t> stream) {
    static_assert(std::is_standard_layout_v<MemorySource>);
    static_assert(sizeof(typename Lib::Octet) == 1);
    pending_ = reinterpret_cast<const typename Lib::Octet*>(stream.data());
    pendingLength_ = stream.size();
    pendingSkip_ = 0;
    manager_.next_input_byte = nullptr;
    manager_.bytes_in_buffer = 0;
    manager_.init_source = &Nothing;
    manager_.fill_input_buffer = &Fill;
    manager_.skip_input_data = &Skip;
    manager_.resync_to_restart = Lib::ResyncToRestart;
    manager_.term_source = &Nothing;
    cinfo.src = &manager_;
  }

 private:
  static MemorySource& Of(Decompress* cinfo) {
    return *reinterpret_cast<MemorySource*>(cinfo->src);
  }

  static void Nothing(Decompress*) {}

  static typename Lib::Boolean Fill(Decompress* cinfo) {
    MemorySource& self = Of(cinfo);
    if (self.pending_ == nullptr || self.pendingLength_ == 0) return 0;
    self.manager_.next_input_byte = self.pending_;
    self.manager_.bytes_in_buffer = self.pendingLength_;
    self.pending_ = nullptr;
    self.pendingLength_ = 0;
    if (self.pendingSkip_ > self.manager_.bytes_in_buffer) {
      self.pendingSkip_ -= self.manager_.bytes_in_buffer;
      self.manager_.next_input_byte += self.manager_.bytes_in_buffer;
      self.manager_.bytes_in_buffer = 0;
      return 0;
    }
    self.manager_.next_input_byte += self.pendingSkip_;
    self.manager_.bytes_in_buffer -= self.pendingSkip_;
    self.pendingSkip_ = 0;
    return 1;
  }

  static void Skip(Decompress* cinfo, long count) {
    if (count <= 0) return;
    MemorySource& self = Of(cinfo);
    const auto wanted = static_cast<std::size_t>(count);
    if (wanted > self.manager_.bytes_in_buffer) {
      self.pendingSkip_ += wanted - self.manager_.bytes_in_buffer;
      self.manager_.next_input_byte += self.manager_.bytes_in_buffer;
      self.manager_.bytes_in_buffer = 0;
      return;
    }
    self.manager_.next_input_byte += wanted;
    self.manager_.bytes_in_buffer -= wanted;
  }

  typename Lib::Source manager_;
  const typename Lib::Octet* pending_;
  std::size_t pendingLength_;
  std::size_t pendingSkip_;
};

}  // namespace norvane::jpeg_builds
