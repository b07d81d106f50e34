// UrlLog and exclude_list: two process-wide lists of String copies in
// insertion order, each addressed by every object of its class.
#include <new>
#include "prodkit.h"
#include "kit_internal.h"

namespace {

struct Element {
    Element* previous;
    Element* next;
    String value;
};

int same(String& a, String& b) {
    if (a.length() != b.length())
        return 0;
    const char* x = a.data();
    const char* y = b.data();
    for (unsigned long i = 0; i < a.length(); i++)
        if (x[i] != y[i])
            return 0;
    return 1;
}

// A doubly linked list that owns its elements. Lookups walk from the first
// element: there is no index and no stored count.
// No destructor: the kit starts without the C runtime's start-up code,
// which would run one at unloading (kit_release_lists does it instead).
class StringList {
public:
    void clear() {
        while (last_)
            unlink(last_);
    }

    void append(const String& s) {
        Element* element = new (std::nothrow) Element{last_, nullptr, s};
        if (!element)
            kit_out_of_memory();
        if (last_)
            last_->next = element;
        else
            first_ = element;
        last_ = element;
    }

    // The element at position i, or null when i is not below the count.
    Element* at(unsigned long i) {
        Element* element = first_;
        while (element && i--)
            element = element->next;
        return element;
    }

    String get(unsigned long i) {
        Element* element = at(i);
        return element ? element->value : String();
    }

    unsigned long count() {
        unsigned long n = 0;
        for (Element* element = first_; element; element = element->next)
            n++;
        return n;
    }

    void remove_last() {
        if (last_)
            unlink(last_);
    }

    void remove_at(unsigned long i) {
        if (Element* element = at(i))
            unlink(element);
    }

    void remove_equal(String& s) {
        for (Element* element = first_; element; element = element->next) {
            if (same(element->value, s)) {
                unlink(element);
                return;
            }
        }
    }

private:
    void unlink(Element* element) {
        (element->previous ? element->previous->next : first_) = element->next;
        (element->next ? element->next->previous : last_) = element->previous;
        delete element;
    }

    Element* first_ = nullptr;
    Element* last_ = nullptr;
};

// Created empty when the kit is loaded, emptied when it is unloaded.
StringList url_log;
StringList excluded;

}  // namespace

void kit_release_lists() {
    url_log.clear();
    excluded.clear();
}

UrlLog::UrlLog() {}
UrlLog::~UrlLog() {}
void UrlLog::Add(String s) { url_log.append(s); }
String UrlLog::Get(unsigned long i) { return url_log.get(i); }
unsigned long UrlLog::Count() { return url_log.count(); }
void UrlLog::Remove_Last() { url_log.remove_last(); }
void UrlLog::Remove(unsigned long i) { url_log.remove_at(i); }
void UrlLog::Remove(String s) { url_log.remove_equal(s); }

exclude_list::exclude_list() {}
exclude_list::~exclude_list() {}
void exclude_list::add(String s) { excluded.append(s); }
String exclude_list::get(unsigned long i) { return excluded.get(i); }
unsigned long exclude_list::count() { return excluded.count(); }
void exclude_list::remove_last() { excluded.remove_last(); }
void exclude_list::remove(unsigned long i) { excluded.remove_at(i); }
void exclude_list::remove(String s) { excluded.remove_equal(s); }
