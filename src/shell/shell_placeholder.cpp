// Replaced by the shell integration sources.
namespace shell {}
