<%@ Language=PerlScript %>
<html>
<body>
<%
  my $q = $Request->QueryString("q")->Item() || "";
  my %%seen;
  foreach my $w (split /\s+/, $q) {
    next if $seen{$w}++;
    $Response->Write("<li>" . $Server->HTMLEncode($w) . "</li>\n");
  }
  # words longer than 3 -> upper case
  my @long = grep { length($_) > 3 } keys %%seen;
%>
<ul>
  <%= join("", map { "<li>\U$_</li>" } @long) %>
</ul>
<p>Searched for "<%= $Server->HTMLEncode($q) %>".</p>
</body>
</html>
