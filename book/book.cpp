#include "book/book.h"

#include <cstring>
#include <new>

#include "book/book_probe.h"
#include "book/data_paths.h"
#include "config/settings.h"
#include "platform/files.h"
#include "platform/positioned_file.h"
#include "search/services.h"

uint8_t book_status = BOOK_NOT_FOUND;
long book_record_count = 0;
char book_file_name[32] = "Morvax14aBook.vrk";
BookRecord* book_buffer = nullptr;
int book_buffer_end = 0;
BookOpener book_open_read_write = open_positioned_file_for_update;

namespace {

PositionedFile book_file;

uint64_t record_offset(long index) { return BOOK_HEADER_BYTES + uint64_t(index) * BOOK_RECORD_BYTES; }

// One record by itself, outside the buffer; false when it can't be read.
bool read_one_record(long index, BookRecord* record) {
    uint8_t bytes[BOOK_RECORD_BYTES];
    if (read_at(book_file, bytes, sizeof(bytes), record_offset(index)) != BOOK_RECORD_BYTES) return false;
    *record = decode_book_record(bytes);
    return true;
}

}  // namespace

int alloc_book_buffer() {
    // The root preparation asks the book for its move through this.
    search_services.choose_book_move = choose_book_move;
    if (!book_buffer) book_buffer = new (std::nothrow) BookRecord[BOOK_BUFFER_RECORDS]();
    book_buffer_end = 0;
    return book_buffer != nullptr;
}

void free_book_buffer() {
    delete[] book_buffer;
    book_buffer = nullptr;
    book_buffer_end = 0;
}

void close_open_files() { close_positioned_file(&book_file); }

bool book_writable() { return book_file.is_open() && !(book_status & BOOK_READ_ONLY); }

int open_book() {
    close_open_files();
    book_record_count = 0;
    book_status = 0;

    // The last letter whose file can be read and written is the book.
    char name[32];
    std::strcpy(name, BOOK_FILE_NAME);
    char letter = 'a';
    for (char c = 'a'; c <= 'z'; ++c) {
        name[BOOK_LETTER_INDEX] = c;
        if (file_readable_and_writable(data_paths.book + name)) letter = c;
    }
    name[BOOK_LETTER_INDEX] = letter;
    const std::string path = data_paths.book + name;

    if (!book_open_read_write(path.c_str(), &book_file))
        book_status = open_positioned_file(path.c_str(), &book_file) ? BOOK_READ_ONLY : BOOK_NOT_FOUND;
    uint8_t count[BOOK_HEADER_BYTES];
    if (book_file.is_open() && read_at(book_file, count, sizeof(count), 0) != BOOK_HEADER_BYTES) {
        // A file without its count is no book.
        close_open_files();
        book_status = BOOK_NOT_FOUND;
    }
    if (!book_file.is_open()) {
        book_options &= ~BO_OWN_BOOK;
        return 0;
    }
    const uint32_t stored = get_u32(count);
    // A count beyond the file's end would make lookups miss what is there.
    int64_t size = positioned_file_size(book_file);
    int64_t present = size > BOOK_HEADER_BYTES ? (size - BOOK_HEADER_BYTES) / BOOK_RECORD_BYTES : 0;
    book_record_count = long(stored < present ? int64_t(stored) : present);
    book_options |= BO_OWN_BOOK;
    std::strcpy(book_file_name, name);
    return 1;
}

int read_book_records(long first, int n) {
    book_buffer_end = 0;
    if (!book_file.is_open() || !book_buffer || first < 0 || first >= book_record_count) return 0;
    if (n > BOOK_BUFFER_RECORDS) n = BOOK_BUFFER_RECORDS;
    if (long(n) > book_record_count - first) n = int(book_record_count - first);
    uint8_t bytes[BOOK_BUFFER_RECORDS * BOOK_RECORD_BYTES];
    int64_t got = read_at(book_file, bytes, size_t(n) * BOOK_RECORD_BYTES, record_offset(first));
    int records = got > 0 ? int(got / BOOK_RECORD_BYTES) : 0;
    for (int i = 0; i < records; ++i) book_buffer[i] = decode_book_record(bytes + i * BOOK_RECORD_BYTES);
    book_buffer_end = records;
    return records;
}

int find_book_record(uint32_t key, long* index) {
    // The first record whose key is not below `key`.
    int64_t lo = 0;
    int64_t hi = book_record_count;
    while (lo < hi) {
        int64_t mid = lo + (hi - lo) / 2;
        BookRecord record;
        if (!read_one_record(long(mid), &record)) {
            *index = long(lo);
            return 0;
        }
        if (record.key < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    *index = long(lo);
    if (read_book_records(long(lo), BOOK_BUFFER_RECORDS) == 0 || book_buffer[0].key != key) {
        book_buffer_end = 0;
        return 0;
    }
    return 1;
}

int book_run_length(uint32_t key) {
    int n = 0;
    while (n < book_buffer_end && book_buffer[n].key == key) ++n;
    return n;
}

bool write_book_record(long index, const BookRecord& record) {
    if (!book_writable() || index < 0 || index >= book_record_count) return false;
    uint8_t bytes[BOOK_RECORD_BYTES];
    encode_book_record(record, bytes);
    return write_at(book_file, bytes, sizeof(bytes), record_offset(index));
}
