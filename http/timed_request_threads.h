// How many request threads of timed_web_request are still running, abandoned ones included.
// An abandoned exchange is told to end and must do so by itself soon; tests watch this count.
#pragma once

namespace picmove::detail {

int timed_request_threads_running();

}  // namespace picmove::detail
