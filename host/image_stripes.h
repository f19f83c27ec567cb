// Writing an image in stripes of rows: each stripe is encoded on a worker
// thread, and the encoded stripes reach the file in order on the calling
// thread, each as soon as every stripe before it has been written.
#pragma once

#include <cstdint>

// What a writer does with its stripes. produce may run on any thread, for
// several stripes at once, and must touch only the stripe's own output and
// the worker's own scratch state (`worker` is 0..workers-1, and no two
// stripes run on one worker at once). consume runs on the calling thread in
// stripe order. Either returns false to stop the write.
class StripeWork {
public:
    virtual bool produce(int32_t stripe, int32_t worker) = 0;
    virtual bool consume(int32_t stripe) = 0;

protected:
    ~StripeWork() = default;
};

// How many workers runStripes uses for `stripes` stripes and `threads`
// threads (0: one per core): at least 1, at most one per stripe.
int32_t stripeWorkers(int32_t stripes, int32_t threads);

// Produces and consumes stripes 0..stripes-1. With one worker everything
// runs on the calling thread, stripe after stripe. With more, the workers
// run ahead of the writing by at most two stripes each, so that memory holds
// only a few encoded stripes whatever the image's size. Exceptions inside
// produce or consume count as failures. True when every stripe was consumed.
bool runStripes(StripeWork& work, int32_t stripes, int32_t threads);

// The machine's cores (at least 1), the default thread count.
int32_t machineCores();
