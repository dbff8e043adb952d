#pragma once

namespace folvane::platform {

// How many of a pool's engines work: as many as the processor the machine
// gives them makes faster, not as many as it has cores. Another starts when
// documents wait and part of a core sits idle; the last one goes idle when
// the engines together get little more than one fewer would, a core each.
class EngineShare {
 public:
  // What one stretch of time showed.
  struct Reading {
    double seconds = 0;
    // The machine's cores that had nothing to run, on average.
    double idleCores = 0;
    // The processor each working engine got while it had a document, in
    // cores, summed; below 0 when an engine had too little work to tell.
    double engineCores = -1;
    // Documents waited while every working engine had one.
    bool backlog = false;
  };

  explicit EngineShare(int engines);

  int working() const { return working_; }
  // The most that ever worked at once.
  int mostWorking() const { return most_; }
  // Takes what a stretch showed; true when the number working changed.
  bool Take(const Reading& reading);
  // A stretch shorter than this tells too little.
  static constexpr double kLeastSeconds = 0.4;

 private:
  int engines_;
  int working_ = 1;
  int most_ = 1;
};

}  // namespace folvane::platform
