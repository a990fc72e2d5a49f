#pragma once
// Storage lent by another object: memory that a buffer exporter (a numpy
// array, say) shares with a container or a model tensor, kept valid by a
// reference to an object that holds the export. The reference lives in the
// deleter of the storage's control block, where the Python layer finds it: an
// object of a garbage-collected class reports the reference as its own to the
// collector while it is the only holder of the control block, so that a
// reference cycle through the lender is collected. Each Python object that
// gets such storage gets a control block of its own (`separateStorage`), so
// that each holds exactly one reference it can report.
#include <memory>

namespace Quor {

// The object that keeps lent memory valid (a Python object, PyObject*), with
// the calls that take a further reference to it (interpreter lock held) and
// give one back (from any thread: `release` takes the lock itself).
struct ExternalOwner {
    void* object = nullptr;
    void (*acquire)(void* object) = nullptr;
    void (*release)(void* object) = nullptr;

    template <typename T>
    void operator()(T*) const
    {
        release(object);
    }
};

// Storage at `data` that adopts one reference to `owner`; should the control
// block not be allocated, the reference is given back before the exception
// leaves (the deleter runs, as for any shared_ptr whose construction fails).
template <typename S>
std::shared_ptr<S> externalStorage(typename std::shared_ptr<S>::element_type* data, const ExternalOwner& owner)
{
    return std::shared_ptr<S>(data, owner);
}

// The owner of lent storage, or nullptr for storage of the system's own.
template <typename S>
const ExternalOwner* externalOwner(const std::shared_ptr<S>& storage)
{
    return std::get_deleter<ExternalOwner>(storage);
}

// The owner that `storage` reports to the collector: its owner while this
// handle is the only one of its control block, else nullptr (another handle,
// held elsewhere, keeps the reference too, and no one reports it).
template <typename S>
const ExternalOwner* reportedOwner(const std::shared_ptr<S>& storage)
{
    const ExternalOwner* owner = externalOwner(storage);
    return owner != nullptr && storage.use_count() == 1 ? owner : nullptr;
}

// `storage` as seen from `data` onwards, under a control block of its own
// when the storage is lent (with a new reference to the same owner), shared
// as it is otherwise.
template <typename S>
std::shared_ptr<S> separateStorage(const std::shared_ptr<S>& storage, typename std::shared_ptr<S>::element_type* data)
{
    const ExternalOwner* owner = externalOwner(storage);
    if (owner == nullptr)
        return std::shared_ptr<S>(storage, data);
    owner->acquire(owner->object);
    return externalStorage<S>(data, *owner);
}

}  // namespace Quor
