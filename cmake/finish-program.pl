#!/usr/bin/perl
# finish-program.pl FILE MAP: the two steps that finish setup.exe after its
# link, in place (MAP is the link's map):
# - the export directory. The export table lies in the code section (it is
#   read-only data like the rest there), which saves the file a section's
#   padding; the linker only fills the directory for a section named .edata,
#   so it is set here, to the table's address and size in the link map.
# - no MS-DOS program of the linker's. Its 64 bytes would bring the 32-bit
#   headers to 576 bytes, two file-alignment units; without them they take
#   one (the 64-bit headers stay over 512 bytes either way). The PE header
#   moves up to offset 64, right after the MS-DOS header, and the sections
#   move up in the file by what the headers no longer take; their addresses
#   in memory stay as they are. The MS-DOS header then holds a program of
#   its own in its reserved words: run under MS-DOS, the program still says
#   that it needs Windows, and ends.
# Nothing else changes; an image whose layout this does not know is refused.
use strict;
use warnings;
no warnings "portable";    # 64-bit addresses in the map

my ($file, $map) = @ARGV;
die "usage: finish-program.pl FILE MAP\n" unless defined $map;
open(my $in, '<:raw', $file) or die "$file: $!\n";
my $image = do { local $/; <$in> };
close $in;

sub u16 { unpack('v', substr($image, $_[0], 2)) }
sub u32 { unpack('V', substr($image, $_[0], 4)) }
sub u64 { u32($_[0]) + 4294967296 * u32($_[0] + 4) }
sub fail { die "finish-program.pl: $file: $_[0]\n" }

# The image's checksum as Windows computes it: the sum of its 16-bit words
# (the checksum field read as zero), carries folded back in, plus its length.
sub checksum {
    my $sum = 0;
    $sum = (($sum + $_) & 0xffff) + (($sum + $_) >> 16) for unpack('v*', $image . "\0");
    return $sum + length($image);
}

my $dos_size = 64;
fail('no MS-DOS header') unless substr($image, 0, 2) eq 'MZ';
my $pe = u32(0x3c);
fail('no PE header') unless substr($image, $pe, 4) eq "PE\0\0";
my $sections = u16($pe + 6);
my $optional = $pe + 24;
my $wide = u16($optional) == 0x20b;
my $base = $wide ? u64($optional + 24) : u32($optional + 28);
my $directories = $optional + ($wide ? 112 : 96);
my $directory_count = u32($directories - 4);
my $table = $optional + u16($pe + 20);

# The export table: the linker's .edata input section in the map, which
# must lie inside a section of the image.
open(my $links, '<', $map) or die "$map: $!\n";
my ($exports, $export_size);
while (<$links>) {
    ($exports, $export_size) = (hex($1), hex($2)) if /^ \.edata\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)/;
}
close $links;
fail("no export table in $map") unless $export_size;
my $export_rva = $exports - $base;
my ($holder) = grep {
    my $at = $table + 40 * $_;
    $export_rva >= u32($at + 12) && $export_rva + $export_size <= u32($at + 12) + u32($at + 8)
} 0 .. $sections - 1;
fail('export table outside the sections') unless defined $holder;
# The linker writes the table's own addresses as if it began its section:
# the name of the program in it must read right from where it lies.
my $section = $table + 40 * $holder;
my $export_at = $export_rva - u32($section + 12) + u32($section + 20);
my $name_at = u32($export_at + 12) - $export_rva + $export_at;
my ($own_name) = $file =~ m{([^/\\]+)$};
fail('export table with addresses for another place')
    unless $name_at > $export_at && lc(unpack('Z*', substr($image, $name_at, 64))) eq lc($own_name);
substr($image, $directories, 8) = pack('VV', $export_rva, $export_size);

# What refers to file offsets: the sections' raw data (moved below), the
# symbol table, the certificates and the debug data (none in what we link).
# The checksum, where there is one, is made anew at the end.
if ($pe != $dos_size) {
    my $headers_end = $table + 40 * $sections;
    my $alignment = u32($optional + 36);
    my $old_size = u32($optional + 60);
    my $pe_size = $headers_end - $pe;
    my $new_size = $alignment * int(($dos_size + $pe_size + $alignment - 1) / $alignment);
    fail('symbol table') if u32($pe + 12);
    for my $index (4, 6) {
        fail("data directory $index") if $index < $directory_count && u32($directories + 8 * $index + 4);
    }
    my $shift = $old_size - $new_size;
    for my $section (0 .. $sections - 1) {
        my $raw = $table + 40 * $section + 20;
        my $offset = u32($raw);
        next unless $offset;
        fail('section data inside the headers') if $offset < $old_size;
        substr($image, $raw, 4) = pack('V', $offset - $shift);
    }
    substr($image, $optional + 60, 4) = pack('V', $new_size);

    # The MS-DOS program, loaded from offset 0 (no header paragraphs), 64
    # bytes with 256 more for its stack: prints its text through DOS
    # function 09h and ends through function 4Ch.
    my $text = "Requires Windows\r\n\$";
    my $code_at = 0x1c;
    my $text_at = $code_at + 13;
    my $code = pack('C*', 0x0e, 0x1f,                  # push cs; pop ds
                          0xba) . pack('v', $text_at) . # mov dx, text
               pack('C*', 0xb4, 0x09, 0xcd, 0x21,      # mov ah, 9; int 21h
                          0xb4, 0x4c, 0xcd, 0x21);     # mov ah, 4Ch; int 21h
    my $dos = pack('a2 v13', 'MZ',
                   $dos_size,    # bytes in the last (only) page
                   1,            # pages
                   0,            # relocations
                   0,            # header paragraphs: the program starts at 0
                   0x10,         # paragraphs needed beyond the image
                   0xffff,       # paragraphs wanted
                   0, 0x140,     # SS:SP, the top of the 320 bytes
                   0,            # checksum
                   $code_at, 0,  # CS:IP
                   0x40,         # where a relocation table would be: 64 for a new-format image
                   0)            # overlay
        . $code . $text;
    fail('MS-DOS program too long') if length($dos) > 0x3c;
    $dos .= "\0" x (0x3c - length($dos)) . pack('V', $dos_size);

    my $headers = $dos . substr($image, $pe, $pe_size);
    $image = $headers . "\0" x ($new_size - length($headers)) . substr($image, $old_size);
    $optional += $dos_size - $pe;
}
if (u32($optional + 64)) {
    substr($image, $optional + 64, 4) = pack('V', 0);
    substr($image, $optional + 64, 4) = pack('V', checksum());
}
open(my $out, '>:raw', $file) or die "$file: $!\n";
print $out $image or die "$file: $!\n";
close $out or die "$file: $!\n";
